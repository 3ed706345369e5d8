#include "text_schedule.h"

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

TEST(TextScheduleTest, MissingFileIsRefused) {
  TextSchedule schedule;
  EXPECT_THROW(schedule.loadFile("/nonexistent/texts.json"), CliError);
  EXPECT_TRUE(schedule.empty());
}

}  // namespace
}  // namespace kvxcli
