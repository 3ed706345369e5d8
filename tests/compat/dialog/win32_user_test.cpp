#include "kvxtheme/win32_user.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "compat/dialog/text_bounds.h"
#include "kvxtheme/dialoglib.h"
#include "kvxtheme/headless_backend.h"

namespace {

class OneEditDialog : public CDialog {};

class WindowText : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = setDialogBackend(backend_);
    DialogTemplate page;
    page.title = "Page";
    page.controls = {{7, ControlKind::Edit, "", 0, 0, 100, 20}};
    resources_.add("PAGE", page);
    ASSERT_EQ(dialog_.Create(&resources_, "PAGE", 0), 1);
    edit_ = dialog_.GetDlgItem(7);
    ASSERT_NE(edit_, 0u);
  }
  void TearDown() override { setDialogBackend(previous_); }

  std::shared_ptr<HeadlessDialogBackend> backend_ = std::make_shared<HeadlessDialogBackend>();
  std::shared_ptr<DialogBackend> previous_;
  DialogResources resources_;
  OneEditDialog dialog_;
  HWND edit_ = 0;
};

TEST(BoundedTextLength, CutsAtTheLimitWithoutSplittingCharacters) {
  EXPECT_EQ(boundedTextLength("short", 19), 5u);
  EXPECT_EQ(boundedTextLength("exactly-nineteen-ch", 19), 19u);
  EXPECT_EQ(boundedTextLength("twenty-characters-xx", 19), 19u);
  EXPECT_EQ(boundedTextLength(nullptr, 19), 0u);
  // "é" is two bytes; at a limit of 3 after "ab" only the whole character may stay out.
  EXPECT_EQ(boundedTextLength("ab\xC3\xA9", 3), 2u);
  EXPECT_EQ(boundedTextLength("ab\xC3\xA9", 4), 4u);
  // Three-byte character straddling the limit.
  EXPECT_EQ(boundedTextLength("a\xE2\x82\xAC", 2), 1u);
}

TEST(BoundedTextLength, ReadsNoFurtherThanOnePastTheLimit) {
  // A field without a terminator: exactly limit + 1 readable bytes.
  auto field = std::make_unique<char[]>(20);
  std::memset(field.get(), 'k', 20);
  EXPECT_EQ(boundedTextLength(field.get(), 19), 19u);
}

TEST_F(WindowText, ReadLimitCountsTheTerminator) {
  ASSERT_EQ(SetWindowTextA(edit_, "a-theme-name-of-25-chars."), 1);
  char buffer[24];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetWindowTextA(edit_, buffer, 20), 19);
  EXPECT_STREQ(buffer, "a-theme-name-of-25-");
  for (size_t i = 20; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;
  EXPECT_EQ(GetWindowTextLengthA(edit_), 25);
}

TEST_F(WindowText, RefusesBadBuffersAndUnknownWindows) {
  SetWindowTextA(edit_, "text");
  char buffer[8] = "keep";
  EXPECT_EQ(GetWindowTextA(edit_, buffer, 0), 0);
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(GetWindowTextA(edit_, nullptr, 8), 0);
  EXPECT_EQ(GetWindowTextA(edit_, buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetWindowTextA(987654, buffer, 8), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(SetWindowTextA(edit_, nullptr), 0);
  EXPECT_EQ(SetWindowTextA(987654, "x"), 0);
}

TEST_F(WindowText, ControlsKnowTheirDialog) {
  EXPECT_EQ(GetParent(edit_), dialog_.m_hWnd);
  EXPECT_EQ(GetDlgCtrlID(edit_), 7);
  EXPECT_EQ(GetDlgItem(dialog_.m_hWnd, 8), 0u);
  EXPECT_EQ(GetDlgItem(0, 7), 0u);
  char title[16];
  GetWindowTextA(dialog_.m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "Page");
}

TEST_F(WindowText, StaleHandlesAreRefusedAndNeverReused) {
  const HWND dialog = dialog_.m_hWnd;
  ASSERT_EQ(DestroyWindow(dialog), 1);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(edit_));
  EXPECT_EQ(SetWindowTextA(edit_, "late"), 0);
  EXPECT_EQ(DestroyWindow(dialog), 0);
  OneEditDialog next;
  ASSERT_EQ(next.Create(&resources_, "PAGE", 0), 1);
  EXPECT_NE(next.m_hWnd, dialog);
  EXPECT_NE(next.GetDlgItem(7), edit_);
}

}  // namespace
