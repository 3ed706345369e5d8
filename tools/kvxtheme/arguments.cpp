#include "arguments.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "cli_error.h"

namespace kvxcli {
namespace {

constexpr const char* kRateRange = "is outside 0.1 to 1000 frames a second";

}  // namespace

std::string ArgumentReader::next() {
  std::string argument = arguments_[position_++];
  hasInlineValue_ = false;
  size_t equals = argument.find('=');
  if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
    inlineValue_ = argument.substr(equals + 1);
    hasInlineValue_ = true;
    argument.resize(equals);
  }
  return argument;
}

std::string ArgumentReader::value(const std::string& option) {
  if (hasInlineValue_) {
    hasInlineValue_ = false;
    return inlineValue_;
  }
  if (done()) fail(option, "needs a value");
  return arguments_[position_++];
}

void ArgumentReader::noValue(const std::string& option) const {
  if (hasInlineValue_) fail(option, "takes no value");
}

int64_t parseInteger(const std::string& option, const std::string& text, int64_t min, int64_t max) {
  errno = 0;
  char* end = nullptr;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    fail(option, "'" + text + "' is not a whole number");
  if (number < min || number > max)
    fail(option, "'" + text + "' is outside " + std::to_string(min) + " to " + std::to_string(max));
  return number;
}

double parsePositiveNumber(const std::string& option, const std::string& text) {
  char* end = nullptr;
  double number = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(number) || number <= 0)
    fail(option, "'" + text + "' is not a positive number");
  return number;
}

double parseNumberInRange(const std::string& option, const std::string& text, double min,
                          double max, const std::string& unit) {
  const double number = parsePositiveNumber(option, text);
  if (number < min || number > max) {
    std::ostringstream range;
    range << "'" << text << "' is outside " << min << " to " << max << " " << unit;
    fail(option, range.str());
  }
  return number;
}

FileAndOutput parseFileAndOutput(const std::vector<std::string>& arguments,
                                 const std::string& command, const std::string& fileKind) {
  FileAndOutput parsed;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    const std::string argument = reader.next();
    if (argument == "-o" || argument == "--output") {
      parsed.output = reader.value(argument);
    } else if (!argument.empty() && argument[0] == '-') {
      fail(argument, "unknown option (see 'kvxtheme " + command + " --help')");
    } else if (parsed.file.empty()) {
      parsed.file = argument;
    } else {
      fail(argument, "only one " + fileKind.substr(0, fileKind.find(" (")) + " at a time");
    }
  }
  if (parsed.file.empty()) fail(command, "names no " + fileKind);
  if (parsed.output.empty()) fail("--output", "is required");
  return parsed;
}

void parseScaleSize(const std::string& option, const std::string& text, int* width, int* height) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return parseSize(option, text, width, height);
  const auto side = [&](const std::string& part) {
    if (part == "-1" || part == "-2") return part == "-1" ? -1 : -2;
    return static_cast<int>(parseInteger(option, part, 1, kMaxSide));
  };
  *width = side(text.substr(0, colon));
  *height = side(text.substr(colon + 1));
  if (*width < 0 && *height < 0)
    fail(option, "'" + text + "' keeps the aspect on one side; give the other, like 1280:-2");
}

void resolveSize(const std::string& option, int sourceWidth, int sourceHeight, int* width,
                 int* height) {
  const auto scaled = [](int given, int side, int otherGiven, int otherSide) {
    const double exact = static_cast<double>(side) * otherGiven / otherSide;
    const int64_t rounded = given == -2 ? 2 * std::max<int64_t>(1, std::llround(exact / 2))
                                        : std::max<int64_t>(1, std::llround(exact));
    return static_cast<int>(std::min<int64_t>(rounded, kMaxSide + 1));
  };
  if (*height < 0) *height = scaled(*height, sourceHeight, *width, sourceWidth);
  if (*width < 0) *width = scaled(*width, sourceWidth, *height, sourceHeight);
  if (*width > kMaxSide || *height > kMaxSide ||
      static_cast<int64_t>(*width) * *height > kMaxPixels)
    fail(option, "keeping the source's aspect gives " + std::to_string(*width) + "x" +
                     std::to_string(*height) + ", larger than a frame H.264 encodes (8192x4352)");
}

void parseSize(const std::string& option, const std::string& text, int* width, int* height) {
  size_t x = text.find('x');
  if (x == std::string::npos) fail(option, "'" + text + "' is not a size like 1280x720");
  *width = static_cast<int>(parseInteger(option, text.substr(0, x), 1, kMaxSide));
  *height = static_cast<int>(parseInteger(option, text.substr(x + 1), 1, kMaxSide));
  if (static_cast<int64_t>(*width) * *height > kMaxPixels)
    fail(option, "'" + text + "' has more than " + std::to_string(kMaxPixels) +
                     " pixels, the largest frame H.264 encodes (8192x4352)");
}

Rational parseRate(const std::string& option, const std::string& text) {
  size_t slash = text.find('/');
  if (slash != std::string::npos) {
    Rational rate;
    rate.num = static_cast<int>(parseInteger(option, text.substr(0, slash), 1, 1000000));
    rate.den = static_cast<int>(parseInteger(option, text.substr(slash + 1), 1, 1000000));
    const double value = static_cast<double>(rate.num) / rate.den;
    if (value < kMinRate || value > kMaxRate) fail(option, "'" + text + "' " + kRateRange);
    return rate;
  }
  double rate = parsePositiveNumber(option, text);
  if (rate < kMinRate || rate > kMaxRate) fail(option, "'" + text + "' " + kRateRange);
  if (rate == std::floor(rate)) return Rational{static_cast<int>(rate), 1};
  // Rates such as 29.97 mean the NTSC family, 30000/1001.
  double ntsc = std::round(rate * 1.001);
  if (std::fabs(ntsc / 1.001 - rate) < 0.005) return Rational{static_cast<int>(ntsc) * 1000, 1001};
  return Rational{static_cast<int>(std::lround(rate * 1000)), 1000};
}

void parseField(const std::string& option, const std::string& text, std::string* key,
                std::string* value) {
  size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) fail(option, "'" + text + "' is not KEY=VALUE");
  *key = text.substr(0, equals);
  *value = text.substr(equals + 1);
}

}  // namespace kvxcli
