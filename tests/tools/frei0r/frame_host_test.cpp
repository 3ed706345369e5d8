#include "frame_host.h"

#include <gtest/gtest.h>

namespace kvxfrei0r {
namespace {

TEST(FrameHostTest, HostsAreToldFromTheCallingLibrary) {
  const struct {
    const char* path;
    FrameHost host;
    TimeUnit unit;
  } cases[] = {
      {"/usr/lib/x86_64-linux-gnu/libavfilter.so.8", FrameHost::Libavfilter,
       TimeUnit::Milliseconds},
      {"/opt/ffmpeg/bin/ffmpeg", FrameHost::Libavfilter, TimeUnit::Milliseconds},
      {"/usr/lib/x86_64-linux-gnu/mlt-7/libmltfrei0r.so", FrameHost::Mlt, TimeUnit::Seconds},
      {"/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstfrei0r.so", FrameHost::GStreamerBridge,
       TimeUnit::Seconds},
      {"/usr/bin/melt", FrameHost::Unknown, TimeUnit::Seconds},
      {"/usr/lib/libavfilter-wrapper.so", FrameHost::Unknown, TimeUnit::Seconds},
      {"", FrameHost::Unknown, TimeUnit::Seconds},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(frameHostOfModule(c.path), c.host) << c.path;
    EXPECT_EQ(timeUnitOf(frameHostOfModule(c.path)), c.unit) << c.path;
  }
  // The test program itself is none of the hosts.
  EXPECT_EQ(frameHostOfCaller(__builtin_return_address(0)), FrameHost::Unknown);
}

TEST(FrameHostTest, TheBridgePassesStringsByPointerOnlyRightAfterConstruction) {
  StringPassing bridge;
  for (int index = 0; index < 7; ++index)
    EXPECT_TRUE(bridge.byPointer(FrameHost::GStreamerBridge, index));
  EXPECT_FALSE(bridge.byPointer(FrameHost::GStreamerBridge, 1));

  StringPassing interrupted;
  EXPECT_TRUE(interrupted.byPointer(FrameHost::GStreamerBridge, 0));
  EXPECT_FALSE(interrupted.byPointer(FrameHost::GStreamerBridge, 2));
  EXPECT_FALSE(interrupted.byPointer(FrameHost::GStreamerBridge, 1));

  StringPassing playing;
  playing.endConstruction();
  EXPECT_FALSE(playing.byPointer(FrameHost::GStreamerBridge, 0));
  for (FrameHost host : {FrameHost::Libavfilter, FrameHost::Mlt, FrameHost::Unknown})
    EXPECT_TRUE(playing.byPointer(host, 3));
}

}  // namespace
}  // namespace kvxfrei0r
