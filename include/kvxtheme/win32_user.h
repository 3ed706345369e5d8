#pragma once
// The Win32 user services of the host's dialog framework: window handles, messages and the
// text of controls. Windows live in a process-wide table; use them from the UI thread only.
#include <cstdint>

#include "kvxtheme/export.h"

// A window handle: an id into the window table, 0 is none. A destroyed window's handle is
// never reused, so a stale handle is refused rather than reaching another window.
using HWND = uint32_t;
using WPARAM = unsigned int;
using LPARAM = long;
using LRESULT = long;

constexpr unsigned int WM_CLOSE = 0x0010;
constexpr unsigned int WM_INITDIALOG = 0x0110;
constexpr unsigned int WM_COMMAND = 0x0111;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Notification codes carried in the high 16 bits of WM_COMMAND's wParam.
constexpr unsigned int BN_CLICKED = 0;
constexpr unsigned int EN_CHANGE = 0x0300;

constexpr unsigned int LOWORD(unsigned int value) {
  return value & 0xFFFFu;
}
constexpr unsigned int HIWORD(unsigned int value) {
  return (value >> 16) & 0xFFFFu;
}
constexpr WPARAM MAKEWPARAM(unsigned int low, unsigned int high) {
  return (low & 0xFFFFu) | ((high & 0xFFFFu) << 16);
}

KVX_API bool IsWindow(HWND window);
// The child control of `dialog` with the id, or 0.
KVX_API HWND GetDlgItem(HWND dialog, int controlId);
KVX_API int GetDlgCtrlID(HWND control);
KVX_API HWND GetParent(HWND window);
// Copies at most maxCount - 1 bytes of the window's text and a NUL into `buffer` and returns
// the number of bytes copied. The text is cut where a whole UTF-8 character ends. An unknown
// window gives an empty text; a null buffer or maxCount below 1 writes nothing and returns 0.
KVX_API int GetWindowTextA(HWND window, char* buffer, int maxCount);
KVX_API int GetWindowTextLengthA(HWND window);
// Sets the window's text (a dialog's title, a control's contents). Does not notify the parent:
// only the user's own edits do. Returns 1, or 0 for an unknown window or a null text.
KVX_API int SetWindowTextA(HWND window, const char* text);
// Delivers the message to the window procedure of the object that owns the window; 0 when the
// window is unknown or owned by no object.
KVX_API LRESULT SendMessageA(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam);
// Marks a dialog as ended with the result and lets its backend close it. The window stays until
// it is destroyed. Returns 1, or 0 for a window that is not a dialog.
KVX_API int EndDialog(HWND dialog, int result);
// Destroys a window and its controls. Returns 1, or 0 for an unknown window.
KVX_API int DestroyWindow(HWND window);
