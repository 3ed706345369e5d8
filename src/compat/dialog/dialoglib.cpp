#include "kvxtheme/dialoglib.h"

#include "compat/dialog/window_table.h"
#include "kvxtheme/dialog_backend.h"

CWnd::CWnd(const CWnd& other) : m_hWnd(other.m_hWnd) {}

CWnd& CWnd::operator=(const CWnd& other) {
  if (this != &other) {
    // The window this object created would otherwise be left with a receiver that no longer
    // names it.
    if (m_hWnd != other.m_hWnd) destroyOwnedWindow();
    m_hWnd = other.m_hWnd;
  }
  return *this;
}

CWnd::~CWnd() {
  destroyOwnedWindow();
}

LRESULT CWnd::vfnWindowProc(HWND, unsigned int, WPARAM, LPARAM) {
  return 0;
}

HWND CWnd::GetDlgItem(int controlId) const {
  return ::GetDlgItem(m_hWnd, controlId);
}

bool CWnd::ownsWindow() const {
  const WindowRecord* record = WindowTable::instance().find(m_hWnd);
  return record && record->owner == this;
}

void CWnd::attachWindow(HWND window) {
  WindowRecord* record = WindowTable::instance().find(window);
  if (record) record->owner = this;
  m_hWnd = window;
}

void CWnd::destroyOwnedWindow() {
  if (!ownsWindow()) return;
  // No message may reach this object while it is being taken apart.
  WindowTable::instance().find(m_hWnd)->owner = nullptr;
  DestroyWindow(m_hWnd);
  m_hWnd = 0;
}

int CDialog::Create(HINSTANCE instance, const char* templateName, HWND parent) {
  if (ownsWindow() || !instance) return 0;
  const DialogTemplate* dialogTemplate = instance->find(templateName);
  if (!dialogTemplate) return 0;
  if (parent != 0 && !IsWindow(parent)) return 0;

  WindowTable& table = WindowTable::instance();
  std::shared_ptr<DialogBackend> backend = dialogBackend();
  WindowRecord dialogRecord;
  dialogRecord.isDialog = true;
  dialogRecord.parent = parent;
  dialogRecord.text = dialogTemplate->title;
  dialogRecord.backend = backend;
  const HWND dialog = table.add(std::move(dialogRecord));
  HWND firstControl = 0;
  for (const ControlTemplate& control : dialogTemplate->controls) {
    WindowRecord record;
    record.controlKind = control.kind;
    record.parent = dialog;
    record.controlId = control.id;
    record.text = control.text;
    record.backend = backend;
    const HWND handle = table.add(std::move(record));
    if (!firstControl) firstControl = handle;
  }
  if (!backend->createWindow(dialog, *dialogTemplate, parent)) {
    for (HWND child : table.children(dialog)) table.remove(child);
    table.remove(dialog);
    return 0;
  }
  attachWindow(dialog);
  SendMessageA(dialog, WM_INITDIALOG, firstControl, 0);
  // The window procedure may have ended or destroyed the dialog already.
  const WindowRecord* record = table.find(dialog);
  if (record && !record->ended) backend->showWindow(dialog);
  return 1;
}

LRESULT CDialog::vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) {
  // Answering WM_INITDIALOG with 1 lets the first control take the focus.
  if (message == WM_INITDIALOG) return 1;
  return CWnd::vfnWindowProc(window, message, wParam, lParam);
}

void CDialog::EndDialog(int result) {
  ::EndDialog(m_hWnd, result);
}

LRESULT CVFTDialog::vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    OnOK();
    return 1;
  }
  if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
    OnCancel();
    return 1;
  }
  return CVDialog::vfnWindowProc(window, message, wParam, lParam);
}

void CVFTDialog::vfnShowErrMsg(const char* message) {
  if (!message) return;
  backendOfWindow(m_hWnd)->showMessage(m_hWnd, message);
}

void CVFTDialog::OnOK() {
  EndDialog(IDOK);
}

void CVFTDialog::OnCancel() {
  EndDialog(IDCANCEL);
}
