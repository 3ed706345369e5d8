#include "render/render_pipeline.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli_error.h"

namespace {

using kvxcli::PipelineFrame;
using kvxcli::PipelineStages;
using kvxcli::RenderPipeline;

constexpr int kFrames = 40;

// A source of kFrames one-byte pictures, with an audio packet (pts = frame) before every third.
struct Clip {
  RenderPipeline pipeline;
  int read = 0;
  std::atomic<int> written{0};
  std::atomic<int> mostAhead{0};
  std::vector<std::string> events;  // as the writer saw them

  PipelineStages stages() {
    PipelineStages s;
    s.read = [this](PipelineFrame& frame) {
      if (read == kFrames) return false;
      if (read % 3 == 0) {
        AVPacket* packet = av_packet_alloc();
        packet->pts = read;
        pipeline.holdAudio(packet);
        av_packet_free(&packet);
      }
      frame.picture.assign(1, static_cast<uint8_t>(read));
      ++read;
      mostAhead = std::max(mostAhead.load(), read - written.load());
      return true;
    };
    s.compose = [](int64_t index, const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
      if (in[0] != index) throw kvxcli::CliError("frame out of order");
      out.assign(1, static_cast<uint8_t>(in[0] + 100));
    };
    s.write = [this](const std::vector<uint8_t>& out) {
      std::this_thread::sleep_for(std::chrono::microseconds(300));  // a slow encoder
      events.push_back("v" + std::to_string(out[0] - 100));
      ++written;
    };
    s.writeAudio = [this](AVPacket* packet) {
      events.push_back("a" + std::to_string(packet->pts));
    };
    return s;
  }
};

TEST(RenderPipeline, FramesAndAudioKeepTheirOrderWithFewFramesInFlight) {
  Clip clip;
  EXPECT_EQ(clip.pipeline.run(clip.stages()), kFrames);
  std::vector<std::string> expected;
  for (int i = 0; i < kFrames; ++i) {
    if (i % 3 == 0) expected.push_back("a" + std::to_string(i));
    expected.push_back("v" + std::to_string(i));
  }
  EXPECT_EQ(clip.events, expected);
  // Read ahead of written: a few frames in each stage's queue and hands, not the whole clip.
  EXPECT_LE(clip.mostAhead.load(), 2 * kvxcli::kFramesInFlight + 1);
}

// A failure on any thread ends the render and comes out of run() with its message.
TEST(RenderPipeline, AFailureInAnyStageEndsTheRun) {
  for (const std::string stage : {"read", "compose", "write"}) {
    SCOPED_TRACE(stage);
    Clip clip;
    PipelineStages stages = clip.stages();
    const auto failAt = [&stage](const std::string& here, int frame) {
      if (here == stage && frame == 7) throw kvxcli::CliError(here + " failed");
    };
    const auto read = stages.read;
    stages.read = [&, read](PipelineFrame& frame) {
      failAt("read", clip.read);
      return read(frame);
    };
    const auto compose = stages.compose;
    stages.compose = [&, compose](int64_t index, const std::vector<uint8_t>& in,
                                  std::vector<uint8_t>& out) {
      failAt("compose", static_cast<int>(index));
      compose(index, in, out);
    };
    const auto write = stages.write;
    stages.write = [&, write](const std::vector<uint8_t>& out) {
      failAt("write", out[0] - 100);
      write(out);
    };
    try {
      clip.pipeline.run(stages);
      ADD_FAILURE() << "no failure";
    } catch (const kvxcli::CliError& error) {
      EXPECT_EQ(std::string(error.what()), stage + " failed");
    }
    EXPECT_LT(clip.written.load(), kFrames);
  }
}

}  // namespace
