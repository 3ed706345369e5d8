#include "cli_error.h"

extern "C" {
#include <libavutil/error.h>
}

namespace kvxcli {

void fail(const std::string& subject, const std::string& cause) {
  throw CliError(subject + ": " + cause);
}

std::string ffmpegErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

}  // namespace kvxcli
