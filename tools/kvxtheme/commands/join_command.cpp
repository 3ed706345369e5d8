// kvxtheme join: segments rendered apart put together into one video by stream copy.
#include <cstdio>

#include "arguments.h"
#include "cli_error.h"
#include "command.h"
#include "segments/segment_joiner.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kvxcli {
namespace {

constexpr const char* kJoinHelp =
    R"(usage: kvxtheme join PART... --output FILE [--audio SOURCE] [options]

Joins segments made by 'kvxtheme render --start-frame A --frames N', in the order given, into
one video by stream copy: nothing is encoded again. Each part's timestamps follow on from the
end of the part before it. The parts must agree on codec, size, pixel format, time base and
codec settings (render them with the same options) and begin with a key frame, as rendered
segments do; only their video is taken.

  PART                  a segment: .mp4, .mkv or .mov
  --output FILE         the joined video: .mp4, .mkv or .mov (FFV1 parts: .mkv). It appears
                        only when complete; it may not be one of the inputs
  --audio SOURCE        copies the audio streams of SOURCE, the clip the segments were rendered
                        from, with their timestamps as a whole render copies them, up to the end
                        of the video; streams the output cannot carry (PCM in .mp4, say) are
                        left out, and a source left with none is refused
  --quiet               no summary line
  --verbose             show FFmpeg's messages
)";

JoinOptions parseJoinOptions(const std::vector<std::string>& arguments, bool* quiet,
                             bool* verbose) {
  JoinOptions options;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    std::string argument = reader.next();
    if (argument == "--output" || argument == "-o") {
      options.output = reader.value(argument);
    } else if (argument == "--audio") {
      options.audioSource = reader.value(argument);
    } else if (argument == "--quiet" || argument == "-q") {
      reader.noValue(argument);
      *quiet = true;
    } else if (argument == "--verbose" || argument == "-v") {
      reader.noValue(argument);
      *verbose = true;
    } else if (argument.empty() || argument[0] == '-') {
      fail(argument, "unknown option (see kvxtheme join --help)");
    } else {
      options.parts.push_back(argument);
    }
  }
  if (options.parts.empty()) fail("join", "needs at least one PART (see kvxtheme join --help)");
  if (options.output.empty()) fail("--output", "is required");
  return options;
}

int runJoin(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, kJoinHelp, [&] {
    bool quiet = false;
    bool verbose = false;
    const JoinOptions options = parseJoinOptions(arguments, &quiet, &verbose);
    av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_ERROR);
    const JoinResult result = joinSegments(options);
    if (!quiet)
      std::fprintf(stderr, "kvxtheme: joined %zu part%s, %lld frame%s%s, into %s\n",
                   options.parts.size(), options.parts.size() == 1 ? "" : "s",
                   static_cast<long long>(result.frames), result.frames == 1 ? "" : "s",
                   result.audioStreams > 0 ? " with audio" : "", options.output.c_str());
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("join", kvxcli::runJoin,
            "join PART... --output FILE [--audio SOURCE]   join rendered segments by stream "
            "copy");
