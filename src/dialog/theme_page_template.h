#pragma once
// The dialog template of the theme settings page: the edit box, the browse button, OK and
// Cancel. Hosts add it to their DialogResources under kThemePageTemplateName.
#include "kvxtheme/export.h"
#include "platform/dialog/dialog_template.h"

inline constexpr const char* kThemePageTemplateName = "IDD_KVX_THEME";

KVX_API DialogTemplate themePageTemplate();
