#include "dialog_gtk/theme_chooser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "kvxtheme/win32_user.h"
#include "tools/dialog_gtk/gtk_widgets.h"
#include "tools/dialog_gtk/xvfb_display.h"

namespace {

class ThemeChooser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!kvxtest::privateXDisplay(&reason)) GTEST_SKIP() << "No X server: " << reason;
    std::memset(options_.data(), 0, sizeof options_);
    std::strcpy(options_[0].themeName, "before.kvx");
    std::strcpy(options_[1].themeName, "before.kvx");
  }

  // Once the page is shown, types the name and presses the button.
  static void answerPage(const std::string& name, const char* button) {
    struct Answer {
      std::string name;
      const char* button;
    };
    g_timeout_add(
        20,
        +[](gpointer data) -> gboolean {
          auto* answer = static_cast<Answer*>(data);
          GtkWidget* page = kvxtest::findToplevel([](GtkWidget* w) {
            return std::strcmp(gtk_window_get_title(GTK_WINDOW(w)) ?: "", "Pick a theme") == 0;
          });
          if (!page) return G_SOURCE_CONTINUE;
          GtkWidget* entry =
              kvxtest::findWidget(page, [](GtkWidget* w) { return GTK_IS_ENTRY(w); });
          gtk_entry_set_text(GTK_ENTRY(entry), "");
          kvxtest::typeInto(entry, answer->name);
          gtk_button_clicked(GTK_BUTTON(kvxtest::findButton(page, answer->button)));
          delete answer;
          return G_SOURCE_REMOVE;
        },
        new Answer{name, button});
  }

  std::array<EffectOption, 2> options_;
  ThemeChooserSettings settings_{"Pick a theme", nullptr};
};

TEST_F(ThemeChooser, OkKeepsTheTypedName) {
  int redraws = 0;
  settings_.onPreviewRedraw = [&](const EffectOption& current, PreviewPicture* picture) {
    ++redraws;
    EXPECT_STREQ(current.themeName, "before.kvx");
    picture->width = 4;
    picture->height = 2;
    picture->rgb.assign(4 * 2 * 3, 200);
    return true;
  };
  answerPage("chosen.kvx", "OK");
  EXPECT_EQ(runThemeChooser(options_.data(), 2, settings_), IDOK);
  EXPECT_STREQ(options_[0].themeName, "chosen.kvx");
  EXPECT_STREQ(options_[1].themeName, "chosen.kvx");
  EXPECT_EQ(redraws, 1);
}

TEST_F(ThemeChooser, CancelGivesTheRecordsTheirNamesBack) {
  answerPage("discarded.kvx", "Cancel");
  EXPECT_EQ(runThemeChooser(options_.data(), 2, settings_), IDCANCEL);
  EXPECT_STREQ(options_[0].themeName, "before.kvx");
  EXPECT_STREQ(options_[1].themeName, "before.kvx");
}

TEST(ThemeChooserArguments, NoRecordsNoWindow) {
  EffectOption option{};
  EXPECT_EQ(runThemeChooser(nullptr, 1), kThemeChooserUnavailable);
  EXPECT_EQ(runThemeChooser(&option, 0), kThemeChooserUnavailable);
}

}  // namespace
