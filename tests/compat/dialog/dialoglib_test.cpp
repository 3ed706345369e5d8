#include "kvxtheme/dialoglib.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "kvxtheme/headless_backend.h"

namespace {

struct Message {
  HWND window;
  unsigned int message;
  WPARAM wParam;
  LPARAM lParam;
};

// A settings page that records what reaches its window procedure.
class RecordingPage : public CVFTDialog {
 public:
  RecordingPage() : CVFTDialog(nullptr) {}
  LRESULT vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back({window, message, wParam, lParam});
    return CVFTDialog::vfnWindowProc(window, message, wParam, lParam);
  }
  std::vector<Message> messages;
};

class RefusingBackend : public HeadlessDialogBackend {
 public:
  bool createWindow(HWND, const DialogTemplate&, HWND) override { return false; }
};

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = setDialogBackend(backend_);
    DialogTemplate page;
    page.title = "Settings";
    page.controls = {{-1, ControlKind::Label, "Name:", 0, 0, 50, 20},
                     {30, ControlKind::Edit, "initial", 0, 0, 100, 20},
                     {IDOK, ControlKind::Button, "OK", 0, 0, 50, 20},
                     {IDCANCEL, ControlKind::Button, "Cancel", 0, 0, 50, 20}};
    resources_.add("SETTINGS", page);
  }
  void TearDown() override { setDialogBackend(previous_); }

  std::shared_ptr<HeadlessDialogBackend> backend_ = std::make_shared<HeadlessDialogBackend>();
  std::shared_ptr<DialogBackend> previous_;
  DialogResources resources_;
};

TEST_F(Dialogs, CreateBuildsTheTemplateAndInitialises) {
  RecordingPage page;
  ASSERT_EQ(page.Create(&resources_, "SETTINGS", 0), 1);
  ASSERT_NE(page.m_hWnd, 0u);
  EXPECT_TRUE(page.ownsWindow());
  const HWND edit = page.GetDlgItem(30);
  char text[16];
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "initial");
  ASSERT_EQ(page.messages.size(), 1u);
  EXPECT_EQ(page.messages[0].window, page.m_hWnd);
  EXPECT_EQ(page.messages[0].message, WM_INITDIALOG);
  EXPECT_EQ(page.messages[0].wParam, page.GetDlgItem(-1));
  EXPECT_TRUE(backend_->isShown(page.m_hWnd));
}

TEST_F(Dialogs, CreateRefusesWhatItCannotBuild) {
  RecordingPage page;
  EXPECT_EQ(page.Create(nullptr, "SETTINGS", 0), 0);
  EXPECT_EQ(page.Create(&resources_, "MISSING", 0), 0);
  EXPECT_EQ(page.Create(&resources_, nullptr, 0), 0);
  EXPECT_EQ(page.Create(&resources_, "SETTINGS", 424242), 0);
  EXPECT_EQ(page.m_hWnd, 0u);
  EXPECT_TRUE(page.messages.empty());
  ASSERT_EQ(page.Create(&resources_, "SETTINGS", 0), 1);
  const HWND first = page.m_hWnd;
  EXPECT_EQ(page.Create(&resources_, "SETTINGS", 0), 0);
  EXPECT_EQ(page.m_hWnd, first);

  setDialogBackend(std::make_shared<RefusingBackend>());
  RecordingPage refused;
  EXPECT_EQ(refused.Create(&resources_, "SETTINGS", 0), 0);
  EXPECT_EQ(refused.m_hWnd, 0u);
  EXPECT_TRUE(refused.messages.empty());
}

TEST_F(Dialogs, UserActionsArriveAsCommandsWithTheControlId) {
  RecordingPage page;
  ASSERT_EQ(page.Create(&resources_, "SETTINGS", 0), 1);
  const HWND edit = page.GetDlgItem(30);
  page.messages.clear();
  backend_->typeText(edit, "typed");
  ASSERT_EQ(page.messages.size(), 1u);
  EXPECT_EQ(page.messages[0].message, WM_COMMAND);
  EXPECT_EQ(LOWORD(page.messages[0].wParam), 30u);
  EXPECT_EQ(HIWORD(page.messages[0].wParam), EN_CHANGE);
  EXPECT_EQ(page.messages[0].lParam, static_cast<LPARAM>(edit));
  char text[16];
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "typed");

  // Text set by the program is not the user's edit.
  SetWindowTextA(edit, "program");
  EXPECT_EQ(page.messages.size(), 1u);
}

TEST_F(Dialogs, OkCancelAndCloseEndTheDialog) {
  RecordingPage ok, cancel, closed;
  for (RecordingPage* page : {&ok, &cancel, &closed})
    ASSERT_EQ(page->Create(&resources_, "SETTINGS", 0), 1);
  int result = -1;
  EXPECT_FALSE(dialogResult(ok.m_hWnd, &result));
  backend_->click(ok.GetDlgItem(IDOK));
  backend_->click(cancel.GetDlgItem(IDCANCEL));
  notifyUserClose(closed.m_hWnd);
  ASSERT_TRUE(dialogResult(ok.m_hWnd, &result));
  EXPECT_EQ(result, IDOK);
  ASSERT_TRUE(dialogResult(cancel.m_hWnd, &result));
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_TRUE(dialogResult(closed.m_hWnd, &result));
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(backend_->isShown(ok.m_hWnd));
  EXPECT_EQ(ok.messages.back().message, WM_COMMAND);
  EXPECT_EQ(SendMessageA(ok.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0), 1);
  EXPECT_EQ(SendMessageA(ok.m_hWnd, WM_COMMAND, MAKEWPARAM(30, EN_CHANGE), 0), 0);
}

TEST_F(Dialogs, ErrorMessagesReachTheUser) {
  RecordingPage page;
  ASSERT_EQ(page.Create(&resources_, "SETTINGS", 0), 1);
  page.vfnShowErrMsg("Something went wrong.");
  page.vfnShowErrMsg(nullptr);
  ASSERT_EQ(backend_->messages().size(), 1u);
  EXPECT_EQ(backend_->messages()[0], "Something went wrong.");
}

TEST_F(Dialogs, OnlyTheCreatorOwnsTheWindow) {
  HWND window = 0;
  {
    RecordingPage page;
    ASSERT_EQ(page.Create(&resources_, "SETTINGS", 0), 1);
    window = page.m_hWnd;
    {
      RecordingPage copy(page);
      EXPECT_EQ(copy.m_hWnd, window);
      EXPECT_FALSE(copy.ownsWindow());
      // Messages still reach the creator only.
      const size_t copyMessages = copy.messages.size();
      const size_t creatorMessages = page.messages.size();
      backend_->typeText(page.GetDlgItem(30), "x");
      EXPECT_EQ(copy.messages.size(), copyMessages);
      EXPECT_EQ(page.messages.size(), creatorMessages + 1);
    }
    EXPECT_TRUE(IsWindow(window));

    RecordingPage other;
    ASSERT_EQ(other.Create(&resources_, "SETTINGS", 0), 1);
    const HWND replaced = other.m_hWnd;
    other = page;
    EXPECT_FALSE(IsWindow(replaced));
    EXPECT_EQ(other.m_hWnd, window);
    EXPECT_FALSE(other.ownsWindow());
  }
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
