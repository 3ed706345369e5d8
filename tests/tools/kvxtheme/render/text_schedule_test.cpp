#include "render/text_schedule.h"

#include <gtest/gtest.h>

#include "cli_error.h"

namespace kvxcli {
namespace {

std::string textAt(const TextSchedule& schedule, int64_t frame, const std::string& key) {
  std::string text;
  return schedule.lookup(frame, key, &text) ? text : "<none>";
}

TEST(TextScheduleTest, SlidesOverrideClipWideTextsForTheirFrames) {
  TextSchedule schedule;
  schedule.setDefault(kTitleKey, "Holiday");
  schedule.setDefault(kDateKey, "2024");
  schedule.loadJson("texts.json", R"([
    {"from": 0, "to": 9, "title": "Arrival", "fileName": "a.jpg", "fields": {"Place": "Rome"}},
    {"from": 10, "description": "Second day"}
  ])");
  EXPECT_EQ(textAt(schedule, 0, kTitleKey), "Arrival");
  EXPECT_EQ(textAt(schedule, 9, kFileNameKey), "a.jpg");
  EXPECT_EQ(textAt(schedule, 9, "Place"), "Rome");
  EXPECT_EQ(textAt(schedule, 9, kDateKey), "2024");
  // The second slide has no title: the clip-wide one shows through.
  EXPECT_EQ(textAt(schedule, 10, kTitleKey), "Holiday");
  EXPECT_EQ(textAt(schedule, 5000, kDescriptionKey), "Second day");
  EXPECT_EQ(textAt(schedule, 10, "Place"), "<none>");
  EXPECT_EQ(textAt(schedule, 3, kDescriptionKey), "<none>");
}

TEST(TextScheduleTest, OpenEndedSlideLastsUntilTheNextOneWhateverTheOrder) {
  TextSchedule schedule;
  schedule.loadJson("texts.json", R"({"slides": [
    {"from": 20, "title": "third"}, {"from": 0, "title": "first"}, {"from": 10, "title": "second"}
  ]})");
  EXPECT_EQ(textAt(schedule, 0, kTitleKey), "first");
  EXPECT_EQ(textAt(schedule, 9, kTitleKey), "first");
  EXPECT_EQ(textAt(schedule, 10, kTitleKey), "second");
  EXPECT_EQ(textAt(schedule, 19, kTitleKey), "second");
  EXPECT_EQ(textAt(schedule, 25, kTitleKey), "third");
}

TEST(TextScheduleTest, MalformedFilesAreRefusedNamingTheFileAndTheFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"{", "not valid JSON"},
      {R"({"title": "x"})", "array of slides"},
      {R"([{"from": -1}])", "\"from\""},
      {R"([{"from": 5, "to": 2}])", "before"},
      {R"([{"title": 3}])", "must be a string"},
      {R"([{"colour": "red"}])", "unknown key"},
      {R"([{"fields": ["a"]}])", "\"fields\""},
      {R"([7])", "not an object"},
  };
  for (const auto& [json, fault] : cases) {
    TextSchedule schedule;
    try {
      schedule.loadJson("slides.json", json);
      ADD_FAILURE() << json << " was accepted";
    } catch (const CliError& error) {
      std::string message = error.what();
      EXPECT_EQ(message.rfind("slides.json: ", 0), 0u) << message;
      EXPECT_NE(message.find(fault), std::string::npos) << message;
    }
  }
}

// The subtitles' key shows a cue's text on the frames whose start it covers and nothing
// between cues, over the clip-wide value and the slides; other keys keep theirs.
TEST(TextScheduleTest, SubtitlesOwnTheirKey) {
  TextSchedule schedule;
  schedule.setDefault(kTitleKey, "Clip title");
  schedule.setDefault(kDateKey, "2024");
  schedule.loadJson("texts.json", R"([{"from": 0, "title": "Slide title", "description": "d"}])");
  // At 10 frames a second: frames 2 to 4, then 7 to 8 (the cue ends where frame 9 starts).
  schedule.setCues(kTitleKey, kvxsubs::SubtitleCues(
                                  {{200000, 500000, "First cue"}, {700000, 900000, "Second cue"}}));
  schedule.setFrameRate(Rational{10, 1});
  const char* titles[] = {"<none>", "<none>", "First cue",  "First cue",  "First cue",
                          "<none>", "<none>", "Second cue", "Second cue", "<none>"};
  for (int frame = 0; frame < 10; ++frame) {
    EXPECT_EQ(textAt(schedule, frame, kTitleKey), titles[frame]) << "frame " << frame;
    EXPECT_EQ(textAt(schedule, frame, kDateKey), "2024");
    EXPECT_EQ(textAt(schedule, frame, kDescriptionKey), "d");
  }
  // The same cues at 30000/1001: frame 15 starts at 500.5 ms, after the first cue.
  schedule.setFrameRate(Rational{30000, 1001});
  EXPECT_EQ(textAt(schedule, 5, kTitleKey), "<none>");
  EXPECT_EQ(textAt(schedule, 6, kTitleKey), "First cue");
  EXPECT_EQ(textAt(schedule, 14, kTitleKey), "First cue");
  EXPECT_EQ(textAt(schedule, 15, kTitleKey), "<none>");

  TextSchedule layer;
  layer.setDefault("Place", "Rome");
  layer.setCues("Place", kvxsubs::SubtitleCues({{0, 100000, "Paris"}}));
  layer.setFrameRate(Rational{25, 1});
  EXPECT_EQ(textAt(layer, 2, "Place"), "Paris");
  EXPECT_EQ(textAt(layer, 3, "Place"), "<none>");
  EXPECT_EQ(textAt(layer, 0, kTitleKey), "<none>");
}

TEST(TextScheduleTest, OnlyJsonNamesAreSchedules) {
  EXPECT_TRUE(isJsonScheduleName("texts.json"));
  EXPECT_TRUE(isJsonScheduleName("/a/b/TEXTS.Json"));
  EXPECT_FALSE(isJsonScheduleName("film.srt"));
  EXPECT_FALSE(isJsonScheduleName("json"));
  EXPECT_FALSE(isJsonScheduleName("texts.json.srt"));
}

TEST(TextScheduleTest, MissingFileIsRefused) {
  TextSchedule schedule;
  EXPECT_THROW(schedule.loadFile("/nonexistent/texts.json"), CliError);
  EXPECT_THROW(schedule.loadSubtitles("/nonexistent/film.srt", kTitleKey), CliError);
  EXPECT_TRUE(schedule.empty());
}

}  // namespace
}  // namespace kvxcli
