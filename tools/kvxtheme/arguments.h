#pragma once
// Reading "--option value" and "--option=value" arguments, and the values the tool accepts.
#include <cstdint>
#include <string>
#include <vector>

namespace kvxcli {

class ArgumentReader {
 public:
  explicit ArgumentReader(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  bool done() const { return position_ >= arguments_.size(); }
  // The next option name; the value of a "--name=value" argument is kept for value().
  std::string next();
  // The value of `option`: its "=value" part, or else the following argument.
  std::string value(const std::string& option);
  // Refuses a "=value" given to an option that takes none.
  void noValue(const std::string& option) const;

 private:
  std::vector<std::string> arguments_;
  size_t position_ = 0;
  std::string inlineValue_;
  bool hasInlineValue_ = false;
};

// "COMMAND FILE -o OUTPUT": the one file a command reads and what it writes. Refuses unknown
// options, a second file and missing ones, naming the command ("texture") and the file's kind
// ("theme file (THEME.kvx)").
struct FileAndOutput {
  std::string file;
  std::string output;
};
FileAndOutput parseFileAndOutput(const std::vector<std::string>& arguments,
                                 const std::string& command, const std::string& fileKind);

struct Rational {
  int num = 0;
  int den = 1;
};

// What the tool renders: frame sides and pixels that H.264 encodes, rates its containers keep,
// durations whose frames a 32-bit frame index counts.
constexpr int kMaxSide = 8192;
constexpr int64_t kMaxPixels = int64_t{139264} * 256;
constexpr double kMinRate = 0.1;
constexpr double kMaxRate = 1000;
constexpr double kMaxDurationSeconds = 1e6;
constexpr int64_t kMaxFrameCount = 1000000000;

// Each refuses a malformed or out-of-range text with an error naming the option.
int64_t parseInteger(const std::string& option, const std::string& text, int64_t min, int64_t max);
double parsePositiveNumber(const std::string& option, const std::string& text);
// A positive number from `min` to `max`; `unit` names what it counts in the refusal.
double parseNumberInRange(const std::string& option, const std::string& text, double min,
                          double max, const std::string& unit);
// "1280x720": both sides 1 to kMaxSide, at most kMaxPixels.
void parseSize(const std::string& option, const std::string& text, int* width, int* height);
// A size to scale a source to: "1280x720", or "1280:-2" or "-2:720" keeping the source's
// aspect on the side given as -1 (any number of pixels) or -2 (an even number), which is
// returned as it was given, for resolveSize.
void parseScaleSize(const std::string& option, const std::string& text, int* width, int* height);
// A parseScaleSize answer for a source of `sourceWidth` x `sourceHeight`; refuses a size past
// the limits naming `option`.
void resolveSize(const std::string& option, int sourceWidth, int sourceHeight, int* width,
                 int* height);
// "25", "29.97" or "30000/1001", from kMinRate to kMaxRate.
Rational parseRate(const std::string& option, const std::string& text);
// "KEY=VALUE" with a non-empty key.
void parseField(const std::string& option, const std::string& text, std::string* key,
                std::string* value);

}  // namespace kvxcli
