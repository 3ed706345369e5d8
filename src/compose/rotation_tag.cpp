#include "compose/rotation_tag.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

std::optional<double> parseRotationTag(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t position = 0;
  for (;;) {
    size_t open = lower.find('<', position);
    if (open == std::string::npos) return std::nullopt;
    size_t close = lower.find('>', open);
    if (close == std::string::npos) return std::nullopt;
    size_t keyword = lower.find("rotation", open);
    if (keyword != std::string::npos && keyword < close) {
      size_t equals = lower.find('=', keyword);
      if (equals != std::string::npos && equals < close) {
        const double degrees = std::atof(lower.c_str() + equals + 1);
        // "nan" or an angle beyond a double's range turns nothing.
        if (!std::isfinite(degrees)) return std::nullopt;
        return degrees * 0.017453292519444445;
      }
    }
    position = close;
  }
}
