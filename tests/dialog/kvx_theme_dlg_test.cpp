#include "kvxtheme/kvx_theme_dlg.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "compat/win32/module_directory.h"
#include "kvxtheme/effecthost.h"
#include "kvxtheme/headless_backend.h"
#include "kvxtheme/theme_page_template.h"

namespace {

// Opens the protected operations to the tests.
class ThemePage : public CKVXThemeDlg {
 public:
  using CKVXThemeDlg::CKVXThemeDlg;
  using CKVXThemeDlg::OnCommand;
  using CKVXThemeDlg::OnInitDialog;
  using CKVXThemeDlg::UpdateOption;
};

// A host effect with three option records, the second one shown in the editor.
class ThemeDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = setDialogBackend(backend_);
    resources_.add(kThemePageTemplateName, themePageTemplate());
    const char* names[] = {"first.kvx", "shown.kvx", "third.kvx"};
    for (size_t i = 0; i < options_.size(); ++i) {
      std::memset(&options_[i], 0xA5, sizeof(EffectOption));
      std::strcpy(options_[i].themeName, names[i]);
      entries_[i].option = &options_[i];
    }
    table_.count = static_cast<int32_t>(options_.size());
    table_.entries = entries_.data();
    holder_.current = &options_[1];
    effect_.optionTable = &table_;
    effect_.optionHolder = &holder_;
    effect_.previewTarget = &preview_;
    pristine_ = options_;
  }
  void TearDown() override { setDialogBackend(previous_); }

  std::string editText(const CWnd& page) {
    char text[64];
    GetWindowTextA(page.GetDlgItem(IDC_THEME_NAME), text, sizeof text);
    return text;
  }
  void expectEveryRecordNamed(const char* name) {
    for (size_t i = 0; i < options_.size(); ++i) {
      EXPECT_STREQ(options_[i].themeName, name) << "record " << i;
      // Nothing else of the record is touched.
      EXPECT_EQ(std::memcmp(options_[i].hostReserved0, pristine_[i].hostReserved0, 8), 0);
      EXPECT_EQ(options_[i].hostQueryContext, pristine_[i].hostQueryContext);
      EXPECT_EQ(std::memcmp(options_[i].providerData, pristine_[i].providerData, 64), 0);
    }
  }
  void expectRecordsUnchanged() {
    for (size_t i = 0; i < options_.size(); ++i)
      EXPECT_EQ(std::memcmp(&options_[i], &pristine_[i], sizeof(EffectOption)), 0)
          << "record " << i;
  }

  std::shared_ptr<HeadlessDialogBackend> backend_ = std::make_shared<HeadlessDialogBackend>();
  std::shared_ptr<DialogBackend> previous_;
  DialogResources resources_;
  std::array<EffectOption, 3> options_;
  std::array<EffectOption, 3> pristine_;
  std::array<OptionTableEntry, 3> entries_;
  OptionTable table_;
  OptionHolder holder_;
  EffectPreview preview_{nullptr};
  CVFTEffect effect_;
};

TEST_F(ThemeDialog, OpensWithTheCurrentRecordsName) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  EXPECT_EQ(editText(page), "shown.kvx");
  EXPECT_EQ(page.vfnWindowProc(page.m_hWnd, WM_INITDIALOG, 0, 0), 1);
  expectRecordsUnchanged();
  EXPECT_EQ(preview_.redrawCount(), 0);
}

TEST_F(ThemeDialog, InitialisingWithoutEffectOrRecordAnswersZero) {
  ThemePage noEffect(nullptr);
  ASSERT_EQ(noEffect.Create(&resources_, kThemePageTemplateName, 0), 1);
  EXPECT_EQ(noEffect.vfnWindowProc(noEffect.m_hWnd, WM_INITDIALOG, 0, 0), 0);
  EXPECT_EQ(editText(noEffect), "");

  CVFTEffect noHolder;
  ThemePage withoutHolder(&noHolder);
  ASSERT_EQ(withoutHolder.Create(&resources_, kThemePageTemplateName, 0), 1);
  EXPECT_EQ(withoutHolder.OnInitDialog(), 0);

  holder_.current = nullptr;
  ThemePage withoutRecord(&effect_);
  ASSERT_EQ(withoutRecord.Create(&resources_, kThemePageTemplateName, 0), 1);
  EXPECT_EQ(withoutRecord.OnInitDialog(), 0);
  EXPECT_EQ(editText(withoutRecord), "");
}

TEST_F(ThemeDialog, ShowsAnUnterminatedNameCutToItsField) {
  std::memset(options_[1].themeName, 'q', sizeof options_[1].themeName);
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  EXPECT_EQ(editText(page), std::string(19, 'q'));
}

TEST_F(ThemeDialog, TypingWritesEveryRecordOnEveryChange) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  const HWND edit = page.GetDlgItem(IDC_THEME_NAME);
  backend_->typeText(edit, "s");
  expectEveryRecordNamed("s");
  backend_->typeText(edit, "su");
  expectEveryRecordNamed("su");
  backend_->typeText(edit, "");
  expectEveryRecordNamed("");
  // Only the first 19 characters reach the records.
  backend_->typeText(edit, "a-very-long-theme-name.kvx");
  expectEveryRecordNamed("a-very-long-theme-n");
  EXPECT_EQ(preview_.redrawCount(), 0);
  EXPECT_TRUE(backend_->fileRequests().empty());
}

TEST_F(ThemeDialog, EveryNotificationOfTheEditBoxCounts) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  const HWND edit = page.GetDlgItem(IDC_THEME_NAME);
  SetWindowTextA(edit, "focus.kvx");
  expectRecordsUnchanged();
  constexpr unsigned int kLostFocus = 0x0200;
  EXPECT_EQ(page.OnCommand(MAKEWPARAM(IDC_THEME_NAME, kLostFocus), edit), 1);
  expectEveryRecordNamed("focus.kvx");
}

TEST_F(ThemeDialog, BrowsingWritesOnlyTheFileNameAndRedrawsThePreview) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  backend_->scriptFileChoice("/elsewhere/themes/sunset.kvx");
  backend_->click(page.GetDlgItem(IDC_BROWSE_THEME));

  EXPECT_EQ(editText(page), "sunset.kvx");
  expectEveryRecordNamed("sunset.kvx");
  EXPECT_EQ(preview_.redrawCount(), 1);
  EXPECT_FALSE(preview_.invalid());
  ASSERT_EQ(backend_->fileRequests().size(), 1u);
  const FileChooserRequest& request = backend_->fileRequests()[0];
  std::string directory;
  GetModuleDirectory(directory);
  EXPECT_EQ(request.initialPath, directory + "shown.kvx");
  EXPECT_TRUE(request.openDialog);
  EXPECT_EQ(request.defaultExtension, "*.kvx");
  EXPECT_EQ(request.flags, 6u);
  EXPECT_EQ(request.filter, "");
  EXPECT_EQ(request.owner, 0u);
  EXPECT_TRUE(backend_->messages().empty());
}

TEST_F(ThemeDialog, CancelledBrowsingChangesNothing) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  backend_->scriptFileCancel();
  EXPECT_EQ(page.OnCommand(MAKEWPARAM(IDC_BROWSE_THEME, BN_CLICKED), 0), 1);
  EXPECT_EQ(editText(page), "shown.kvx");
  expectRecordsUnchanged();
  EXPECT_EQ(preview_.redrawCount(), 0);
}

TEST_F(ThemeDialog, AChosenNameLongerThanTheFieldIsRefused) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  backend_->scriptFileChoice("/themes/twenty-chars-name.kvx");
  EXPECT_EQ(page.OnCommand(IDC_BROWSE_THEME, 0), 1);
  EXPECT_EQ(editText(page), "shown.kvx");
  expectRecordsUnchanged();
  EXPECT_EQ(preview_.redrawCount(), 0);
  ASSERT_EQ(backend_->messages().size(), 1u);
  EXPECT_NE(backend_->messages()[0].find("twenty-chars-name.kvx"), std::string::npos);
  EXPECT_NE(backend_->messages()[0].find("19"), std::string::npos);

  // Nineteen characters fit exactly.
  backend_->scriptFileChoice("/themes/nineteen-chars1.kvx");
  EXPECT_EQ(page.OnCommand(IDC_BROWSE_THEME, 0), 1);
  expectEveryRecordNamed("nineteen-chars1.kvx");
  EXPECT_EQ(preview_.redrawCount(), 1);
  EXPECT_EQ(backend_->messages().size(), 1u);
}

TEST_F(ThemeDialog, AnEmptyOrMissingTableChangesNothing) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  const HWND edit = page.GetDlgItem(IDC_THEME_NAME);
  for (int32_t count : {0, -1}) {
    table_.count = count;
    backend_->typeText(edit, "ignored.kvx");
    backend_->scriptFileChoice("/themes/other.kvx");
    backend_->click(page.GetDlgItem(IDC_BROWSE_THEME));
    expectRecordsUnchanged();
  }
  table_.count = 3;
  table_.entries = nullptr;
  backend_->typeText(edit, "ignored.kvx");
  expectRecordsUnchanged();
  effect_.optionTable = nullptr;
  backend_->typeText(edit, "ignored.kvx");
  expectRecordsUnchanged();
}

TEST_F(ThemeDialog, EntriesWithoutARecordAreSkipped) {
  entries_[1].option = nullptr;
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  char name[] = "night.kvx";
  page.UpdateOption(name);
  EXPECT_STREQ(options_[0].themeName, "night.kvx");
  EXPECT_STREQ(options_[1].themeName, "shown.kvx");
  EXPECT_STREQ(options_[2].themeName, "night.kvx");
  char tooLong[] = "a-name-far-longer-than-the-field.kvx";
  page.UpdateOption(tooLong);
  EXPECT_STREQ(options_[0].themeName, "a-name-far-longer-t");
  page.UpdateOption(nullptr);
  EXPECT_STREQ(options_[0].themeName, "a-name-far-longer-t");
}

TEST_F(ThemeDialog, OtherControlsChangeNothingAndAnswerOne) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  SetWindowTextA(page.GetDlgItem(IDC_THEME_NAME), "typed.kvx");
  backend_->scriptFileChoice("/themes/never.kvx");
  for (unsigned int id : {0u, 199u, 202u, 0xFFFFu}) {
    EXPECT_EQ(page.OnCommand(MAKEWPARAM(id, EN_CHANGE), 0), 1) << id;
    EXPECT_EQ(page.vfnWindowProc(page.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), 0);
  }
  expectRecordsUnchanged();
  EXPECT_TRUE(backend_->fileRequests().empty());
  EXPECT_EQ(preview_.redrawCount(), 0);
  // The id is the low 16 bits only: 200 plus bits above is still the edit box.
  EXPECT_EQ(page.OnCommand(0x00010000u | IDC_THEME_NAME, 0), 1);
  expectEveryRecordNamed("typed.kvx");
}

TEST_F(ThemeDialog, OkAndCancelEndThePageKeepingTheEdits) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  backend_->typeText(page.GetDlgItem(IDC_THEME_NAME), "kept.kvx");
  backend_->click(page.GetDlgItem(IDCANCEL));
  int result = 0;
  ASSERT_TRUE(dialogResult(page.m_hWnd, &result));
  EXPECT_EQ(result, IDCANCEL);
  expectEveryRecordNamed("kept.kvx");
}

TEST_F(ThemeDialog, BrowsingWithoutAnEffectOnlyFillsTheEditBox) {
  ThemePage page(nullptr);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  backend_->scriptFileChoice("/themes/lonely.kvx");
  EXPECT_EQ(page.OnCommand(IDC_BROWSE_THEME, 0), 1);
  EXPECT_EQ(editText(page), "lonely.kvx");
  expectRecordsUnchanged();
}

TEST_F(ThemeDialog, CopiesEditTheSameEffect) {
  ThemePage page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  ThemePage copy(page);
  EXPECT_EQ(copy.effect(), &effect_);
  EXPECT_EQ(copy.m_hWnd, page.m_hWnd);
  EXPECT_EQ(copy.OnCommand(IDC_THEME_NAME, 0), 1);
  expectEveryRecordNamed("shown.kvx");
  ThemePage assigned(nullptr);
  assigned = page;
  EXPECT_EQ(assigned.effect(), &effect_);
}

}  // namespace
