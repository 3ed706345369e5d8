#include "kvxtheme/kvx_theme_dlg.h"

#include <cstring>
#include <string>

#include "compat/dialog/text_bounds.h"
#include "compat/win32/module_directory.h"
#include "kvxtheme/effecthost.h"
#include "kvxtheme/file_dialog.h"

namespace {

constexpr size_t kThemeNameSize = sizeof(EffectOption::themeName);
constexpr size_t kThemeNameMaxLength = kThemeNameSize - 1;

}  // namespace

CKVXThemeDlg::CKVXThemeDlg(CVFTEffect* effect) : CVFTDialog(effect) {}

CKVXThemeDlg::CKVXThemeDlg(const CKVXThemeDlg& other) = default;

CKVXThemeDlg& CKVXThemeDlg::operator=(const CKVXThemeDlg& other) = default;

CKVXThemeDlg::~CKVXThemeDlg() = default;

LRESULT CKVXThemeDlg::vfnWindowProc(HWND window, unsigned int message, WPARAM wParam,
                                    LPARAM lParam) {
  const LRESULT result = CVFTDialog::vfnWindowProc(window, message, wParam, lParam);
  if (message == WM_INITDIALOG) return OnInitDialog();
  if (message == WM_COMMAND) OnCommand(wParam, lParam);
  return result;
}

int CKVXThemeDlg::OnInitDialog() {
  if (!m_pEffect || !m_pEffect->optionHolder || !m_pEffect->optionHolder->current) return 0;
  // The host's record may lack its terminator: never read past the field.
  const char* stored = m_pEffect->optionHolder->current->themeName;
  char name[kThemeNameSize];
  const size_t length = boundedTextLength(stored, kThemeNameMaxLength);
  std::memcpy(name, stored, length);
  name[length] = '\0';
  SetWindowTextA(::GetDlgItem(m_hWnd, IDC_THEME_NAME), name);
  return 1;
}

int CKVXThemeDlg::OnCommand(WPARAM wParam, LPARAM) {
  const int controlId = static_cast<int>(LOWORD(wParam));
  if (controlId != IDC_THEME_NAME && controlId != IDC_BROWSE_THEME) return 1;
  char name[kThemeNameSize];
  const HWND edit = ::GetDlgItem(m_hWnd, IDC_THEME_NAME);
  GetWindowTextA(edit, name, static_cast<int>(kThemeNameSize));
  if (controlId == IDC_THEME_NAME) {
    UpdateOption(name);
    return 1;
  }
  if (BrowseForTheme(name)) {
    SetWindowTextA(edit, name);
    UpdateOption(name);
    if (m_pEffect) {
      vft32InvalidateRect(m_pEffect, m_pEffect->previewTarget, nullptr, 0);
      vft32UpdateWindow(m_pEffect->previewTarget);
    }
  }
  return 1;
}

void CKVXThemeDlg::UpdateOption(char* name) {
  if (!name || !m_pEffect || !m_pEffect->optionTable) return;
  const OptionTable& table = *m_pEffect->optionTable;
  if (table.count <= 0 || !table.entries) return;
  const size_t length = boundedTextLength(name, kThemeNameMaxLength);
  for (int32_t i = 0; i < table.count; ++i) {
    EffectOption* option = table.entries[i].option;
    if (!option) continue;
    std::memcpy(option->themeName, name, length);
    option->themeName[length] = '\0';
  }
}

int CKVXThemeDlg::BrowseForTheme(char* name) {
  std::string directory;
  GetModuleDirectory(directory);
  const std::string initialPath = directory + name;
  CFileDialog chooser(1, "*.kvx", initialPath.c_str(), OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                      nullptr, nullptr);
  if (chooser.DoModal() != IDOK) return 0;
  const std::string fileName = chooser.GetFileName();
  if (fileName.size() > kThemeNameMaxLength) {
    const std::string message = "The theme file name \"" + fileName + "\" is longer than " +
                                std::to_string(kThemeNameMaxLength) +
                                " characters. Rename the file or choose another one.";
    vfnShowErrMsg(message.c_str());
    return 0;
  }
  std::memcpy(name, fileName.c_str(), fileName.size() + 1);
  return 1;
}
