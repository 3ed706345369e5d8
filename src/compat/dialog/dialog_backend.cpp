#include "kvxtheme/dialog_backend.h"

#include "compat/dialog/window_table.h"
#include "kvxtheme/headless_backend.h"

namespace {

std::shared_ptr<DialogBackend>& currentBackend() {
  static std::shared_ptr<DialogBackend> backend = std::make_shared<HeadlessDialogBackend>();
  return backend;
}

void sendCommand(HWND control, unsigned int notification) {
  const WindowRecord* record = WindowTable::instance().find(control);
  if (!record || record->isDialog) return;
  SendMessageA(record->parent, WM_COMMAND, MAKEWPARAM(record->controlId, notification),
               static_cast<LPARAM>(control));
}

}  // namespace

std::shared_ptr<DialogBackend> setDialogBackend(std::shared_ptr<DialogBackend> backend) {
  std::shared_ptr<DialogBackend> previous = currentBackend();
  currentBackend() = backend ? std::move(backend) : std::make_shared<HeadlessDialogBackend>();
  return previous;
}

std::shared_ptr<DialogBackend> dialogBackend() {
  return currentBackend();
}

std::shared_ptr<DialogBackend> backendOfWindow(HWND window) {
  const WindowRecord* record = WindowTable::instance().find(window);
  return record ? record->backend : currentBackend();
}

void notifyUserEdit(HWND control, const std::string& text) {
  WindowRecord* record = WindowTable::instance().find(control);
  if (!record || record->isDialog) return;
  record->text = text;
  sendCommand(control, EN_CHANGE);
}

void notifyUserClick(HWND control) {
  sendCommand(control, BN_CLICKED);
}

void notifyUserClose(HWND dialog) {
  const WindowRecord* record = WindowTable::instance().find(dialog);
  if (record && record->isDialog) SendMessageA(dialog, WM_CLOSE, 0, 0);
}

bool dialogResult(HWND dialog, int* result) {
  const WindowRecord* record = WindowTable::instance().find(dialog);
  if (!record || !record->isDialog || !record->ended) return false;
  if (result) *result = record->result;
  return true;
}
