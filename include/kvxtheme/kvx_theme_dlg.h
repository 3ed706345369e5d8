#pragma once
// The effect's settings page: an edit box with the theme file name and a browse button. Every
// edit is written at once into all of the effect's option records.
#include "kvxtheme/dialoglib.h"
#include "kvxtheme/export.h"

constexpr int IDC_THEME_NAME = 200;
constexpr int IDC_BROWSE_THEME = 201;

class KVX_API CKVXThemeDlg : public CVFTDialog {
 public:
  explicit CKVXThemeDlg(CVFTEffect* effect);
  CKVXThemeDlg(const CKVXThemeDlg& other);
  CKVXThemeDlg& operator=(const CKVXThemeDlg& other);
  ~CKVXThemeDlg() override;

  LRESULT vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Shows the current option record's theme name; 0 without an effect or a current record.
  int OnInitDialog();
  // Reacts to the edit box and the browse button; always 1.
  int OnCommand(WPARAM wParam, LPARAM lParam);
  // Writes the name (at most 19 bytes and a NUL) into every option record of the effect.
  void UpdateOption(char* name);

 private:
  // Lets the user pick a theme file; on a choice puts its bare file name into `name` (a buffer
  // of EffectOption::themeName's size) and answers 1.
  int BrowseForTheme(char* name);
};
