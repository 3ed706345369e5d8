#pragma once
// Failures the tool reports as one line, "kvxtheme: <subject>: <cause>", before exiting non-zero.
#include <stdexcept>
#include <string>

namespace kvxcli {

class CliError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure about a file or an option: "subject: cause".
[[noreturn]] void fail(const std::string& subject, const std::string& cause);

// FFmpeg's text for an error code.
std::string ffmpegErrorText(int code);

}  // namespace kvxcli
