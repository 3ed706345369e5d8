#pragma once
// The process-wide table of windows behind HWND handles.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kvxtheme/dialog_backend.h"
#include "kvxtheme/dialog_template.h"
#include "kvxtheme/win32_user.h"

class CWnd;

struct WindowRecord {
  bool isDialog = false;
  ControlKind controlKind = ControlKind::Label;
  HWND parent = 0;
  int controlId = 0;
  std::string text;
  CWnd* owner = nullptr;  // the object whose window procedure receives the messages
  std::shared_ptr<DialogBackend> backend;
  bool ended = false;
  int result = 0;
};

class WindowTable {
 public:
  static WindowTable& instance();
  HWND add(WindowRecord record);
  // The record, or null; the pointer is valid until the window is removed.
  WindowRecord* find(HWND window);
  std::vector<HWND> children(HWND parent) const;
  void remove(HWND window);

 private:
  std::unordered_map<HWND, WindowRecord> windows_;
  HWND lastHandle_ = 0;
};
