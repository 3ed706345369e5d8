// libq32prj.so as the theme loader meets it: loaded at run time, reading the streams of a file
// that the theme library opened. The test program exports its own copy of the theme library's
// functions, and the project library binds to those, as it binds to libkvxtheme.so in a host.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "kvx_test_files.h"

using namespace kvxtest;

#ifdef KVX_Q32PRJ_PATH

namespace {

using HasStream = int (*)(HGLOBAL, const void*, int, const char16_t*, int32_t*);
using GetStream = int (*)(HGLOBAL, const void*, int, const char16_t*, void*);

template <typename F>
F symbol(void* library, const char* name) {
  void* address = library ? dlsym(library, name) : nullptr;
  EXPECT_NE(address, nullptr) << name;
  return reinterpret_cast<F>(address);
}

class ProjectLibrary : public testing::Test {
 protected:
  void SetUp() override {
    project_ = dlopen(KVX_Q32PRJ_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(project_, nullptr) << dlerror();
    has_ = symbol<HasStream>(project_, "PrjHasObjectStream");
    get_ = symbol<GetStream>(project_, "PrjGetObjectStream");

    kvx::KvxWriter writer;
    writer.addObject(kvx::KvxObjectRecord());
    writer.addObject(kvx::KvxObjectRecord())
        .addStream(u"ObjHyperLinkStream", {'h', 't', 't', 'p', 0, 0, 'x', 0, 0});
    path_ = dir_.file("linked.kvx");
    std::string error;
    ASSERT_TRUE(writer.write(path_, &error)) << error;
    file_ = std::make_unique<OpenKvx>(path_);
    ASSERT_TRUE(*file_);
  }

  TempDir dir_;
  std::string path_;
  void* project_ = nullptr;  // stays loaded, as the binding leaves it
  HasStream has_ = nullptr;
  GetStream get_ = nullptr;
  std::unique_ptr<OpenKvx> file_;
  std::vector<uint8_t> record_ = std::vector<uint8_t>(kObjectInfoSize, 0);
};

}  // namespace

TEST_F(ProjectLibrary, ReadsTheHyperlinkStream) {
  int32_t has = -1;
  ASSERT_GT(has_(file_->handle(), record_.data(), 1, u"ObjHyperLinkStream", &has), 0);
  EXPECT_EQ(has, 1);
  const int size = get_(file_->handle(), record_.data(), 1, u"ObjHyperLinkStream", nullptr);
  ASSERT_EQ(size, 9);
  std::vector<uint8_t> bytes(size, 0xEE);
  EXPECT_GT(get_(file_->handle(), record_.data(), 1, u"ObjHyperLinkStream", bytes.data()), 0);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'h', 't', 't', 'p', 0, 0, 'x', 0, 0}));
}

TEST_F(ProjectLibrary, ObjectWithoutTheStream) {
  int32_t has = -1;
  ASSERT_GT(has_(file_->handle(), record_.data(), 0, u"ObjHyperLinkStream", &has), 0);
  EXPECT_EQ(has, 0);
  EXPECT_EQ(get_(file_->handle(), record_.data(), 0, u"ObjHyperLinkStream", nullptr), 0);
  EXPECT_LT(has_(file_->handle(), record_.data(), 2, u"ObjHyperLinkStream", &has), 1)
      << "no object 2";
}

TEST_F(ProjectLibrary, HandlesThatAreNotOpenFilesAreRefused) {
  HGLOBAL stranger = GlobalAlloc(GHND, kKvxHeaderSize);
  int32_t has = -1;
  EXPECT_EQ(has_(stranger, record_.data(), 1, u"ObjHyperLinkStream", &has), 0);
  EXPECT_EQ(has_(nullptr, record_.data(), 1, u"ObjHyperLinkStream", &has), 0);
  EXPECT_EQ(has_(file_->handle(), record_.data(), 1, nullptr, &has), 0);
  EXPECT_EQ(has, -1) << "the answer place is left alone";
  EXPECT_EQ(get_(stranger, record_.data(), 1, u"ObjHyperLinkStream", nullptr), 0);
  EXPECT_EQ(GlobalFree(stranger), nullptr);
}

#else

TEST(ProjectLibrary, NotBuilt) {
  GTEST_SKIP() << "libq32prj.so is not part of this build";
}

#endif
