#include "dialog_gtk/gtk_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <set>

#include "kvxtheme/effecthost.h"
#include "kvxtheme/kvx_theme_dlg.h"
#include "kvxtheme/theme_page_template.h"
#include "support/test_support.h"
#include "tools/dialog_gtk/gtk_widgets.h"
#include "tools/dialog_gtk/xvfb_display.h"

namespace {

// The theme page of an effect with two option records, in a real window.
class GtkThemePage : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!kvxtest::privateXDisplay(&reason)) GTEST_SKIP() << "No X server: " << reason;
    backend_ = GtkDialogBackend::open();
    if (!backend_) GTEST_SKIP() << "GTK cannot open the display " << g_getenv("DISPLAY");
    previous_ = setDialogBackend(backend_);
    resources_.add(kThemePageTemplateName, themePageTemplate());
    std::memset(options_.data(), 0, sizeof options_);
    std::strcpy(options_[0].themeName, "spring.kvx");
    std::strcpy(options_[1].themeName, "other.kvx");
    for (size_t i = 0; i < options_.size(); ++i) entries_[i].option = &options_[i];
    table_.count = 2;
    table_.entries = entries_.data();
    holder_.current = &options_[0];
    effect_.optionTable = &table_;
    effect_.optionHolder = &holder_;
    effect_.previewTarget = &preview_;
  }
  void TearDown() override {
    if (backend_) setDialogBackend(previous_);
    GtkDialogBackend::processPendingEvents();
  }
  GtkWidget* control(const CWnd& page, int id) { return backend_->widget(page.GetDlgItem(id)); }

  std::shared_ptr<GtkDialogBackend> backend_;
  std::shared_ptr<DialogBackend> previous_;
  DialogResources resources_;
  std::array<EffectOption, 2> options_;
  std::array<OptionTableEntry, 2> entries_;
  OptionTable table_;
  OptionHolder holder_;
  EffectPreview preview_{nullptr};
  CVFTEffect effect_;
};

TEST_F(GtkThemePage, TypingInTheWindowWritesTheRecordsAndTheWindowCanBeCaptured) {
  CKVXThemeDlg page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  GtkWidget* entry = control(page, IDC_THEME_NAME);
  ASSERT_TRUE(entry && GTK_IS_ENTRY(entry));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "spring.kvx");
  EXPECT_STREQ(options_[1].themeName, "other.kvx");

  gtk_entry_set_text(GTK_ENTRY(entry), "");
  EXPECT_STREQ(options_[1].themeName, "");
  kvxtest::typeInto(entry, "autumn");
  EXPECT_STREQ(options_[0].themeName, "autumn");
  EXPECT_STREQ(options_[1].themeName, "autumn");
  kvxtest::typeInto(entry, ".kvx");
  EXPECT_STREQ(options_[0].themeName, "autumn.kvx");
  EXPECT_STREQ(options_[1].themeName, "autumn.kvx");
  EXPECT_EQ(preview_.redrawCount(), 0);

  const std::string shot = kvxtest::outputPath("dialog.png");
  int width = 0, height = 0;
  ASSERT_TRUE(backend_->saveScreenshot(page.m_hWnd, shot, &width, &height));
  const DialogTemplate pageTemplate = themePageTemplate();
  EXPECT_EQ(width, pageTemplate.width);
  EXPECT_EQ(height, pageTemplate.height);
  kvxtest::Picture picture;
  ASSERT_TRUE(kvxtest::readPng(shot, &picture));
  EXPECT_EQ(picture.width, pageTemplate.width);
  EXPECT_EQ(picture.height, pageTemplate.height);
  // Drawn controls, not an empty frame: text and borders bring many colours.
  std::set<uint32_t> colours;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.row(y) + x * picture.channels;
      colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    }
  EXPECT_GT(colours.size(), 8u);
}

TEST_F(GtkThemePage, TheRealFileChooserPutsTheChosenNameInPlace) {
  kvxtest::TempDir dir;
  const std::string theme = dir.file("sunset.kvx");
  std::ofstream(theme) << "theme";
  CKVXThemeDlg page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  kvxtest::answerNextFileChooser(theme);
  gtk_button_clicked(GTK_BUTTON(control(page, IDC_BROWSE_THEME)));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(control(page, IDC_THEME_NAME))), "sunset.kvx");
  EXPECT_STREQ(options_[0].themeName, "sunset.kvx");
  EXPECT_STREQ(options_[1].themeName, "sunset.kvx");
  EXPECT_EQ(preview_.redrawCount(), 1);
}

TEST_F(GtkThemePage, ProgramChangesDoNotNotifyAndClosingCancels) {
  CKVXThemeDlg page(&effect_);
  ASSERT_EQ(page.Create(&resources_, kThemePageTemplateName, 0), 1);
  SetWindowTextA(page.GetDlgItem(IDC_THEME_NAME), "shown-only.kvx");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(control(page, IDC_THEME_NAME))), "shown-only.kvx");
  EXPECT_STREQ(options_[0].themeName, "spring.kvx");

  GtkWidget* window = backend_->widget(page.m_hWnd);
  ASSERT_TRUE(gtk_widget_get_visible(window));
  gtk_window_close(GTK_WINDOW(window));
  GtkDialogBackend::processPendingEvents();
  int result = 0;
  ASSERT_TRUE(dialogResult(page.m_hWnd, &result));
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(gtk_widget_get_visible(window));
  EXPECT_EQ(backend_->runModal(page.m_hWnd), IDCANCEL);
}

}  // namespace
