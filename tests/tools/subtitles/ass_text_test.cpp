// ASS text as FFmpeg's decoders give it, turned into the plain text a layer shows.
#include "subtitles/ass_text.h"

#include <gtest/gtest.h>

namespace kvxsubs {
namespace {

TEST(AssTextTest, OverrideTagsGoAndLineBreaksStay) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({\b1}Hello{\b0})", "Hello"},
      {R"({\an8}{\pos(10,20)\c&HFF&}top)", "top"},
      {R"(one\Ntwo)", "one\ntwo"},
      {R"(one\ntwo)", "one\ntwo"},
      {R"(hard\hspace)", "hard space"},
      {R"(\{not a tag\})", "{not a tag}"},
      {R"(a {comment} b)", "a  b"},
      {R"(unclosed {brace)", "unclosed {brace"},
      {R"(C:\path\to)", R"(C:\path\to)"},
      {R"(ends in \)", R"(ends in \)"},
      {R"({\p1}m 0 0 l 100 0 100 100{\p0}after the shape)", "after the shape"},
      {R"({\pos(1,2)\p2}m 0 0 l 9 9{\pbo0}still a shape{\p0}x)", "x"},
      {R"({\pos(1,2)}{\pbo5}not a shape)", "not a shape"},
      {"", ""},
      // UTF-8 is kept byte for byte; tags are ASCII and never part of a multi-byte character.
      {"日本語の{\\i1}字幕{\\i0}\\Nです", "日本語の字幕\nです"},
      {"{\\fnArial}مرحبا\\Nبالعالم", "مرحبا\nبالعالم"},
  };
  for (const auto& [ass, plain] : cases) EXPECT_EQ(plainText(ass), plain) << ass;
}

TEST(AssTextTest, TheEventsLeadingFieldsAreRemoved) {
  // ReadOrder, Layer, Style, Name, MarginL, MarginR, MarginV, Effect, Text.
  EXPECT_EQ(eventText(R"(0,0,Default,,0,0,0,,{\b1}Hello{\b0}\Nworld)"), "Hello\nworld");
  EXPECT_EQ(eventText("12,1,Sign,Bob,10,10,20,Scroll up,Commas, in, text"), "Commas, in, text");
  EXPECT_EQ(eventText("3,0,Default,,0,0,0,,"), "");
  EXPECT_EQ(eventText("too,few,fields"), "");
}

}  // namespace
}  // namespace kvxsubs
