#pragma once
// The dialog template of the theme settings page: the edit box, the browse button, OK and
// Cancel. Hosts add it to their DialogResources under kThemePageTemplateName.
#include "kvxtheme/dialog_template.h"
#include "kvxtheme/export.h"

inline constexpr const char* kThemePageTemplateName = "IDD_KVX_THEME";

KVX_API DialogTemplate themePageTemplate();
