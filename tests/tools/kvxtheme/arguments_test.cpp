#include "arguments.h"

#include <gtest/gtest.h>

#include "cli_error.h"

namespace kvxcli {
namespace {

TEST(ArgumentsTest, ReaderSplitsInlineValuesAndRefusesMissingOnes) {
  ArgumentReader reader({"--title=A=B", "--size", "320x240", "--quiet", "--rate"});
  EXPECT_EQ(reader.next(), "--title");
  EXPECT_EQ(reader.value("--title"), "A=B");
  EXPECT_EQ(reader.next(), "--size");
  EXPECT_EQ(reader.value("--size"), "320x240");
  EXPECT_EQ(reader.next(), "--quiet");
  EXPECT_NO_THROW(reader.noValue("--quiet"));
  EXPECT_EQ(reader.next(), "--rate");
  EXPECT_THROW(reader.value("--rate"), CliError);
  EXPECT_TRUE(reader.done());

  ArgumentReader flagWithValue({"--quiet=yes"});
  EXPECT_EQ(flagWithValue.next(), "--quiet");
  EXPECT_THROW(flagWithValue.noValue("--quiet"), CliError);
}

TEST(ArgumentsTest, RatesKeepTheirExactFraction) {
  Rational pal = parseRate("--rate", "25");
  EXPECT_EQ(pal.num, 25);
  EXPECT_EQ(pal.den, 1);
  for (const char* ntsc : {"29.97", "30000/1001"}) {
    Rational rate = parseRate("--rate", ntsc);
    EXPECT_EQ(rate.num, 30000) << ntsc;
    EXPECT_EQ(rate.den, 1001) << ntsc;
  }
  Rational film = parseRate("--rate", "23.976");
  EXPECT_EQ(film.num, 24000);
  EXPECT_EQ(film.den, 1001);
  Rational odd = parseRate("--rate", "12.5");
  EXPECT_DOUBLE_EQ(static_cast<double>(odd.num) / odd.den, 12.5);
  Rational slideshow = parseRate("--rate", "0.1");
  EXPECT_DOUBLE_EQ(static_cast<double>(slideshow.num) / slideshow.den, 0.1);
  for (const char* bad : {"0", "-25", "abc", "25/0", "1/", "5000", "nan", "inf", "", "0.001",
                          "1e-300", "1/1000000", "1/11"})
    EXPECT_THROW(parseRate("--rate", bad), CliError) << bad;
}

// A refusal names the option and the range it accepts.
TEST(ArgumentsTest, RefusalsNameTheOptionAndTheRange) {
  const auto refusal = [](auto parse) -> std::string {
    try {
      parse();
    } catch (const CliError& error) {
      return error.what();
    }
    return "accepted";
  };
  int width = 0, height = 0;
  EXPECT_EQ(refusal([&] { parseRate("--rate", "0.001"); }),
            "--rate: '0.001' is outside 0.1 to 1000 frames a second");
  EXPECT_EQ(refusal([&] { parseNumberInRange("--duration", "1e18", 0.001, 1e6, "seconds"); }),
            "--duration: '1e18' is outside 0.001 to 1e+06 seconds");
  EXPECT_NE(refusal([&] { parseSize("--size", "16384x16383", &width, &height); }).find("--size"),
            std::string::npos);
  EXPECT_NE(refusal([&] { parseSize("--size", "8192x8192", &width, &height); }).find("pixels"),
            std::string::npos);
  EXPECT_EQ(refusal([&] { parseSize("--size", "8192x4352", &width, &height); }), "accepted");
}

TEST(ArgumentsTest, SizesAndNumbersAreChecked) {
  int width = 0, height = 0;
  parseSize("--size", "1920x1080", &width, &height);
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);
  for (const char* bad : {"1920", "0x10", "10x0", "x10", "99999x10", "10x10x10", "-5x5"})
    EXPECT_THROW(parseSize("--size", bad, &width, &height), CliError) << bad;
  EXPECT_EQ(parseInteger("--frames", "12", 1, 100), 12);
  EXPECT_THROW(parseInteger("--frames", "0", 1, 100), CliError);
  EXPECT_THROW(parseInteger("--frames", "12abc", 1, 100), CliError);
  EXPECT_THROW(parseInteger("--frames", "99999999999999999999", 1, 100), CliError);
  EXPECT_THROW(parsePositiveNumber("--duration", "0"), CliError);
}

// A side given as -1 or -2 follows the source's aspect, -2 to the nearest even number.
TEST(ArgumentsTest, ScaleSizesKeepTheSourcesAspect) {
  const struct {
    const char* text;
    int sourceWidth, sourceHeight;
    int width, height;
  } cases[] = {
      {"1280x720", 1920, 1080, 1280, 720}, {"1280:-2", 1920, 1080, 1280, 720},
      {"-2:480", 1920, 1080, 854, 480},    {"-1:480", 1920, 1080, 853, 480},
      {"101:-2", 1920, 1080, 101, 56},     {"101:-1", 1920, 1080, 101, 57},
      {"2:-2", 1920, 1080, 2, 2},
  };
  for (const auto& test : cases) {
    int width = 0, height = 0;
    parseScaleSize("--size", test.text, &width, &height);
    resolveSize("--size", test.sourceWidth, test.sourceHeight, &width, &height);
    EXPECT_EQ(width, test.width) << test.text;
    EXPECT_EQ(height, test.height) << test.text;
  }
  int width = 0, height = 0;
  for (const char* bad : {"-2:-2", "-3:480", "1280:", "1280:0", ":-2"})
    EXPECT_THROW(parseScaleSize("--size", bad, &width, &height), CliError) << bad;
  parseScaleSize("--size", "8000:-2", &width, &height);
  EXPECT_THROW(resolveSize("--size", 1000, 2000, &width, &height), CliError);
}

TEST(ArgumentsTest, FieldsSplitAtTheFirstEqualsSign) {
  std::string key, value;
  parseField("--field", "Place=a=b", &key, &value);
  EXPECT_EQ(key, "Place");
  EXPECT_EQ(value, "a=b");
  parseField("--field", "Empty=", &key, &value);
  EXPECT_EQ(value, "");
  EXPECT_THROW(parseField("--field", "=value", &key, &value), CliError);
  EXPECT_THROW(parseField("--field", "novalue", &key, &value), CliError);
}

}  // namespace
}  // namespace kvxcli
