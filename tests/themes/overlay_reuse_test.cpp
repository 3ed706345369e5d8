// An overlay reused from the frame before must be the overlay that frame would compose afresh:
// texts that change, hide and come back, and a video that plays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/reference_host.h"

namespace {

constexpr int kWidth = 320, kHeight = 180;
const char* const kTitles[] = {"Harbour", "Harbour", "", "Harbour", "Lighthouse", "Lighthouse"};

void useTitles(kvxhost::ReferenceHost& host) {
  host.setTextSource([](int frame, const std::string& key, std::string* text) {
    if (key != "SlideShowTitle" || kTitles[frame][0] == '\0') return false;
    *text = kTitles[frame];
    return true;
  });
}

std::vector<uint8_t> overlay(kvxhost::ReferenceHost& host, int frame) {
  std::vector<uint8_t> bgra(kWidth * kHeight * 4);
  EXPECT_EQ(host.renderOverlay(frame, bgra.data(), kWidth * 4), 1) << frame;
  return bgra;
}

TEST(OverlayReuse, EveryFrameEqualsItsOwnComposition) {
  for (const std::string theme : {"", "lower-third", "video-window"}) {
    SCOPED_TRACE(theme.empty() ? "default page" : theme);
    const std::string path =
        theme.empty() ? "" : std::string(KVX_THEMES_DIR) + "/" + theme + ".kvx";
    kvxhost::ReferenceHost clip;
    clip.setThemePath(path);
    useTitles(clip);
    ASSERT_EQ(clip.begin(kWidth, kHeight), 1);
    std::vector<uint8_t> previous;
    int changes = 0;
    for (int frame = 0; frame < static_cast<int>(std::size(kTitles)); ++frame) {
      const std::vector<uint8_t> played = overlay(clip, frame);
      kvxhost::ReferenceHost alone;
      alone.setThemePath(path);
      useTitles(alone);
      ASSERT_EQ(alone.begin(kWidth, kHeight), 1);
      EXPECT_EQ(played, overlay(alone, frame)) << "frame " << frame;
      alone.end();
      changes += frame > 0 && played != previous;
      previous = played;
    }
    // The titles change the page three times; a playing video changes it every frame.
    EXPECT_GE(changes, 3);
    clip.end();
  }
}

}  // namespace
