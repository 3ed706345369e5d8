#include <gtest/gtest.h>

#include "kvx_test_files.h"

using namespace kvxtest;
using kvx::KvxObjectRecord;
using kvx::KvxWriter;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) {
  return {text.begin(), text.end()};
}

class KvxStreams : public testing::Test {
 protected:
  void SetUp() override {
    KvxWriter writer;
    auto& text = writer.addObject(KvxObjectRecord());
    text.addStream(u"TextStream", bytesOf("serialized text object"));
    text.addStream(u"ComponentObjectStream", std::vector<uint8_t>(161, 0xAB));
    text.addStream(u"ObjHyperLinkStream", bytesOf(std::string("\0a\0b\0c\0", 7)));
    auto& path = writer.addObject(KvxObjectRecord());
    path.addStream(u"PathStream", bytesOf("path"));
    path.addStream(u"PathCutBorderStream", {});
    file_ = std::make_unique<OpenKvx>(dir_, serialized(writer));
    ASSERT_TRUE(*file_);
  }

  int32_t has(int index, const char16_t* name) {
    int32_t answer = -1;
    EXPECT_EQ(wcsHasObjectStream(file_->handle(), record_.data(), index, name, &answer), 1);
    return answer;
  }

  std::vector<uint8_t> get(int index, const char16_t* name) {
    int size = wcsGetObjectStream(file_->handle(), record_.data(), index, name, nullptr);
    std::vector<uint8_t> bytes(size, 0);
    EXPECT_EQ(wcsGetObjectStream(file_->handle(), record_.data(), index, name, bytes.data()), 1);
    return bytes;
  }

  TempDir dir_;
  std::unique_ptr<OpenKvx> file_;
  std::vector<uint8_t> record_ = std::vector<uint8_t>(kObjectInfoSize, 0);
};

}  // namespace

TEST_F(KvxStreams, PresentStreamsAnswerWithTheirBytes) {
  EXPECT_EQ(has(0, u"TextStream"), 1);
  EXPECT_EQ(get(0, u"TextStream"), bytesOf("serialized text object"));
  EXPECT_EQ(get(0, u"ComponentObjectStream"), std::vector<uint8_t>(161, 0xAB));
  EXPECT_EQ(get(0, u"ObjHyperLinkStream").size(), 7u);
  EXPECT_EQ(get(1, u"PathStream"), bytesOf("path"));
}

TEST_F(KvxStreams, AbsentStreamsAreNotFound) {
  EXPECT_EQ(has(0, u"PathStream"), 0);
  EXPECT_EQ(has(1, u"TextStream"), 0);
  EXPECT_EQ(has(0, u"textstream"), 0) << "names compare exactly";
  EXPECT_EQ(has(0, u"TextStream2"), 0);
  EXPECT_EQ(has(0, u""), 0);
  EXPECT_EQ(wcsGetObjectStream(file_->handle(), nullptr, 1, u"TextStream", nullptr), 0);
  uint8_t destination[4] = {9, 9, 9, 9};
  EXPECT_EQ(wcsGetObjectStream(file_->handle(), nullptr, 1, u"TextStream", destination),
            kWcsErrorRange);
  EXPECT_EQ(destination[0], 9);
}

TEST_F(KvxStreams, EmptyStreamExistsWithSizeZero) {
  EXPECT_EQ(has(1, u"PathCutBorderStream"), 1);
  EXPECT_EQ(wcsGetObjectStream(file_->handle(), nullptr, 1, u"PathCutBorderStream", nullptr), 0);
}

TEST_F(KvxStreams, BadArgumentsAreRefused) {
  int32_t answer = -1;
  EXPECT_EQ(wcsHasObjectStream(file_->handle(), nullptr, 2, u"TextStream", &answer),
            kWcsErrorRange);
  EXPECT_EQ(wcsHasObjectStream(file_->handle(), nullptr, -1, u"TextStream", &answer),
            kWcsErrorRange);
  EXPECT_EQ(wcsHasObjectStream(file_->handle(), nullptr, 0, nullptr, &answer), kWcsErrorRange);
  EXPECT_EQ(wcsHasObjectStream(file_->handle(), nullptr, 0, u"TextStream", nullptr),
            kWcsErrorRange);
  EXPECT_EQ(answer, -1);
  EXPECT_EQ(wcsHasObjectStream(nullptr, nullptr, 0, u"TextStream", &answer), 0);
  EXPECT_EQ(wcsGetObjectStream(file_->handle(), nullptr, 5, u"TextStream", nullptr), 0);
  // A name longer than any stream name can be is not found, whatever follows it in memory.
  std::u16string longName(1000, u'x');
  EXPECT_EQ(has(0, longName.c_str()), 0);
}

TEST(KvxWriterStreams, NamesMustBeUsable) {
  std::string error;
  std::vector<uint8_t> bytes;
  for (const std::u16string& name :
       {std::u16string(), std::u16string(257, u'a'), std::u16string(u"a\0b", 3)}) {
    KvxWriter writer;
    writer.addObject(KvxObjectRecord()).addStream(name, {1});
    EXPECT_FALSE(writer.serialize(&bytes, &error));
    EXPECT_NE(error.find("stream name"), std::string::npos) << error;
  }
  KvxWriter writer;
  auto& object = writer.addObject(KvxObjectRecord());
  object.addStream(u"TextStream", {1});
  object.addStream(u"TextStream", {2});
  EXPECT_FALSE(writer.serialize(&bytes, &error));
  EXPECT_NE(error.find("two streams"), std::string::npos) << error;
}
