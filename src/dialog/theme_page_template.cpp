#include "kvxtheme/theme_page_template.h"

#include "kvxtheme/kvx_theme_dlg.h"
#include "kvxtheme/win32_user.h"

DialogTemplate themePageTemplate() {
  DialogTemplate page;
  page.title = "KVX Theme";
  page.width = 420;
  page.height = 130;
  page.controls = {
      {-1, ControlKind::Label, "Theme file:", 12, 16, 396, 20},
      {IDC_THEME_NAME, ControlKind::Edit, "", 12, 40, 300, 30},
      {IDC_BROWSE_THEME, ControlKind::Button, "Browse...", 320, 40, 88, 30},
      {IDOK, ControlKind::Button, "OK", 224, 88, 88, 30},
      {IDCANCEL, ControlKind::Button, "Cancel", 320, 88, 88, 30},
  };
  return page;
}
