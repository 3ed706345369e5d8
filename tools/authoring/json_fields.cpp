#include "json_fields.h"

#include <cmath>

namespace kvxauthor {

namespace {

std::string rangeText(double min, double max) {
  auto show = [](double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<int64_t>(v));
    return std::to_string(v);
  };
  return show(min) + ".." + show(max);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

uint32_t colorRef(uint32_t r, uint32_t g, uint32_t b) {
  return r | (g << 8) | (b << 16);
}

uint32_t hexColor(const std::string& text, const std::string& path) {
  const SpecError bad(path, "expected a colour as \"#RRGGBB\", \"#RGB\" or [r, g, b]");
  if (text.empty() || text[0] != '#' || (text.size() != 7 && text.size() != 4)) throw bad;
  uint32_t channels[3];
  const bool shortForm = text.size() == 4;
  for (int i = 0; i < 3; ++i) {
    const int high = hexDigit(text[1 + (shortForm ? i : 2 * i)]);
    const int low = shortForm ? high : hexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) throw bad;
    channels[i] = static_cast<uint32_t>(high * 16 + low);
  }
  return colorRef(channels[0], channels[1], channels[2]);
}

}  // namespace

FieldReader::FieldReader(const nlohmann::json& value, std::string path)
    : value_(value), path_(std::move(path)) {
  if (!value_.is_object())
    throw SpecError(path_.empty() ? "(top level)" : path_, "expected an object");
}

std::string FieldReader::pathOf(const std::string& key) const {
  return path_.empty() ? key : path_ + "." + key;
}

bool FieldReader::has(const std::string& key) {
  known_.insert(key);
  return value_.contains(key);
}

const nlohmann::json& FieldReader::raw(const std::string& key) {
  known_.insert(key);
  if (!value_.contains(key)) throw SpecError(pathOf(key), "missing");
  return value_.at(key);
}

int32_t FieldReader::integer(const std::string& key, int32_t fallback, int32_t min, int32_t max) {
  return has(key) ? integerAt(value_.at(key), pathOf(key), min, max) : fallback;
}

int32_t FieldReader::requiredInteger(const std::string& key, int32_t min, int32_t max) {
  return integerAt(raw(key), pathOf(key), min, max);
}

double FieldReader::number(const std::string& key, double fallback, double min, double max) {
  return has(key) ? numberAt(value_.at(key), pathOf(key), min, max) : fallback;
}

bool FieldReader::boolean(const std::string& key, bool fallback) {
  if (!has(key)) return fallback;
  const nlohmann::json& value = value_.at(key);
  if (!value.is_boolean()) throw SpecError(pathOf(key), "expected true or false");
  return value.get<bool>();
}

std::string FieldReader::string(const std::string& key, const std::string& fallback,
                                size_t maxBytes) {
  return has(key) ? stringAt(value_.at(key), pathOf(key), maxBytes) : fallback;
}

std::string FieldReader::requiredString(const std::string& key, size_t maxBytes) {
  return stringAt(raw(key), pathOf(key), maxBytes);
}

uint32_t FieldReader::color(const std::string& key, uint32_t fallback) {
  return has(key) ? colorAt(value_.at(key), pathOf(key)) : fallback;
}

FieldReader FieldReader::object(const std::string& key) {
  return FieldReader(raw(key), pathOf(key));
}

const nlohmann::json& FieldReader::array(const std::string& key) {
  const nlohmann::json& value = raw(key);
  if (!value.is_array()) throw SpecError(pathOf(key), "expected an array");
  return value;
}

void FieldReader::finish() const {
  for (const auto& [key, value] : value_.items()) {
    if (!known_.count(key)) throw SpecError(pathOf(key), "unknown field");
  }
}

int32_t integerAt(const nlohmann::json& value, const std::string& path, int32_t min, int32_t max) {
  const std::string expected = min == 1 && max == INT32_MAX
                                   ? "expected a positive whole number"
                                   : "expected a whole number in " + rangeText(min, max);
  if (!value.is_number()) throw SpecError(path, expected);
  const double number = value.get<double>();
  if (!std::isfinite(number) || number != std::floor(number) || number < min || number > max)
    throw SpecError(path, expected);
  return static_cast<int32_t>(number);
}

double numberAt(const nlohmann::json& value, const std::string& path, double min, double max) {
  const std::string expected = min > 0 && max >= 1e300
                                   ? "expected a positive number"
                                   : "expected a number in " + rangeText(min, max);
  if (!value.is_number()) throw SpecError(path, expected);
  const double number = value.get<double>();
  if (!std::isfinite(number) || number < min || number > max) throw SpecError(path, expected);
  return number;
}

std::string stringAt(const nlohmann::json& value, const std::string& path, size_t maxBytes) {
  if (!value.is_string()) throw SpecError(path, "expected a string");
  std::string text = value.get<std::string>();
  if (text.size() > maxBytes)
    throw SpecError(path, "longer than " + std::to_string(maxBytes) + " bytes");
  if (text.find('\0') != std::string::npos) throw SpecError(path, "contains a NUL character");
  return text;
}

uint32_t colorAt(const nlohmann::json& value, const std::string& path) {
  if (value.is_string()) return hexColor(value.get<std::string>(), path);
  if (value.is_array() && value.size() == 3) {
    uint32_t channels[3];
    for (size_t i = 0; i < 3; ++i)
      channels[i] =
          static_cast<uint32_t>(integerAt(value[i], path + "[" + std::to_string(i) + "]", 0, 255));
    return colorRef(channels[0], channels[1], channels[2]);
  }
  throw SpecError(path, "expected a colour as \"#RRGGBB\", \"#RGB\" or [r, g, b]");
}

}  // namespace kvxauthor
