#include "kvxtheme/win32_user.h"

#include <cstring>

#include "compat/dialog/text_bounds.h"
#include "compat/dialog/window_table.h"
#include "kvxtheme/dialoglib.h"

bool IsWindow(HWND window) {
  return WindowTable::instance().find(window) != nullptr;
}

HWND GetDlgItem(HWND dialog, int controlId) {
  WindowTable& table = WindowTable::instance();
  if (!table.find(dialog)) return 0;
  for (HWND child : table.children(dialog))
    if (table.find(child)->controlId == controlId) return child;
  return 0;
}

int GetDlgCtrlID(HWND control) {
  const WindowRecord* record = WindowTable::instance().find(control);
  return record ? record->controlId : 0;
}

HWND GetParent(HWND window) {
  const WindowRecord* record = WindowTable::instance().find(window);
  return record ? record->parent : 0;
}

int GetWindowTextA(HWND window, char* buffer, int maxCount) {
  if (!buffer || maxCount < 1) return 0;
  const WindowRecord* record = WindowTable::instance().find(window);
  const char* text = record ? record->text.c_str() : "";
  const size_t length = boundedTextLength(text, static_cast<size_t>(maxCount) - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

int GetWindowTextLengthA(HWND window) {
  const WindowRecord* record = WindowTable::instance().find(window);
  return record ? static_cast<int>(record->text.size()) : 0;
}

int SetWindowTextA(HWND window, const char* text) {
  WindowRecord* record = WindowTable::instance().find(window);
  if (!record || !text) return 0;
  record->text = text;
  std::shared_ptr<DialogBackend> backend = record->backend;
  backend->windowTextChanged(window, record->text);
  return 1;
}

LRESULT SendMessageA(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) {
  const WindowRecord* record = WindowTable::instance().find(window);
  if (!record || !record->owner) return 0;
  return record->owner->vfnWindowProc(window, message, wParam, lParam);
}

int EndDialog(HWND dialog, int result) {
  WindowRecord* record = WindowTable::instance().find(dialog);
  if (!record || !record->isDialog) return 0;
  record->ended = true;
  record->result = result;
  std::shared_ptr<DialogBackend> backend = record->backend;
  backend->dialogEnded(dialog, result);
  return 1;
}

int DestroyWindow(HWND window) {
  WindowTable& table = WindowTable::instance();
  WindowRecord* record = table.find(window);
  if (!record) return 0;
  std::shared_ptr<DialogBackend> backend = record->backend;
  if (record->isDialog) {
    backend->destroyWindow(window);
    for (HWND child : table.children(window)) table.remove(child);
  }
  table.remove(window);
  return 1;
}
