#pragma once
// Typed reading of JSON fields that names the offending field in every refusal, as
// "objects[2].font.size: expected a positive number". Unknown fields are refused too, so that a
// misspelt setting does not silently fall back to its default.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <string>

namespace kvxauthor {

// A description that cannot be used; what() is "<field path>: <reason>".
class SpecError : public std::runtime_error {
 public:
  SpecError(const std::string& path, const std::string& reason)
      : std::runtime_error(path + ": " + reason) {}
};

// The fields of one JSON object. Every accessor records the key as known; finish() refuses the
// keys nobody asked for.
class FieldReader {
 public:
  FieldReader(const nlohmann::json& value, std::string path);

  const std::string& path() const { return path_; }
  std::string pathOf(const std::string& key) const;
  bool has(const std::string& key);
  const nlohmann::json& raw(const std::string& key);

  int32_t integer(const std::string& key, int32_t fallback, int32_t min, int32_t max);
  int32_t requiredInteger(const std::string& key, int32_t min, int32_t max);
  double number(const std::string& key, double fallback, double min, double max);
  bool boolean(const std::string& key, bool fallback);
  std::string string(const std::string& key, const std::string& fallback, size_t maxBytes);
  std::string requiredString(const std::string& key, size_t maxBytes);
  // "#RRGGBB", "#RGB" or [r, g, b]; answered as 0x00BBGGRR.
  uint32_t color(const std::string& key, uint32_t fallback);
  FieldReader object(const std::string& key);
  const nlohmann::json& array(const std::string& key);

  void finish() const;

 private:
  const nlohmann::json& value_;
  std::string path_;
  std::set<std::string> known_;
};

// Checks a value found at `path` (array elements and the like).
int32_t integerAt(const nlohmann::json& value, const std::string& path, int32_t min, int32_t max);
double numberAt(const nlohmann::json& value, const std::string& path, double min, double max);
std::string stringAt(const nlohmann::json& value, const std::string& path, size_t maxBytes);
uint32_t colorAt(const nlohmann::json& value, const std::string& path);

}  // namespace kvxauthor
