// A host built against the installed package alone: it shows the effect's settings page for
// its option records on the headless backend, types a name, browses for a file, presses OK and
// reads the chosen name back from every record. Exits 0 when all of that holds.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "kvxtheme/effecthost.h"
#include "kvxtheme/headless_backend.h"
#include "kvxtheme/kvx_theme_dlg.h"
#include "kvxtheme/theme_page_template.h"

namespace {

int failures = 0;

void expectNames(const EffectOption* options, int count, const char* name) {
  for (int i = 0; i < count; ++i)
    if (std::strcmp(options[i].themeName, name) != 0) {
      std::printf("record %d holds \"%s\", expected \"%s\"\n", i, options[i].themeName, name);
      ++failures;
    }
}

}  // namespace

int main() {
  auto backend = std::make_shared<HeadlessDialogBackend>();
  setDialogBackend(backend);
  DialogResources resources;
  resources.add(kThemePageTemplateName, themePageTemplate());

  EffectOption options[2] = {};
  std::strcpy(options[0].themeName, "old.kvx");
  std::strcpy(options[1].themeName, "old.kvx");
  OptionTableEntry entries[2] = {{nullptr, &options[0]}, {nullptr, &options[1]}};
  OptionTable table;
  table.count = 2;
  table.entries = entries;
  OptionHolder holder{nullptr, &options[0]};
  int redraws = 0;
  EffectPreview preview([&](CVFTEffect*) { ++redraws; });
  CVFTEffect effect;
  effect.optionTable = &table;
  effect.optionHolder = &holder;
  effect.previewTarget = &preview;

  CKVXThemeDlg page(&effect);
  if (page.Create(&resources, kThemePageTemplateName, 0) != 1) {
    std::puts("the settings page was not created");
    return 1;
  }
  char shown[64] = {};
  GetWindowTextA(page.GetDlgItem(IDC_THEME_NAME), shown, sizeof shown);
  if (std::strcmp(shown, "old.kvx") != 0) {
    std::printf("the page shows \"%s\"\n", shown);
    ++failures;
  }

  backend->typeText(page.GetDlgItem(IDC_THEME_NAME), "typed.kvx");
  expectNames(options, 2, "typed.kvx");

  backend->scriptFileChoice("/somewhere/themes/chosen.kvx");
  backend->click(page.GetDlgItem(IDC_BROWSE_THEME));
  expectNames(options, 2, "chosen.kvx");
  if (redraws != 1) {
    std::printf("the preview was redrawn %d times after browsing\n", redraws);
    ++failures;
  }

  const HWND dialog = page.m_hWnd;
  backend->click(GetDlgItem(dialog, IDOK));
  int result = 0;
  if (!dialogResult(dialog, &result) || result != IDOK) {
    std::puts("OK did not end the page with IDOK");
    ++failures;
  }
  setDialogBackend(nullptr);
  return failures == 0 ? 0 : 1;
}
