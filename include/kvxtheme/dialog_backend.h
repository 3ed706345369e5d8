#pragma once
// The windowing backend of the dialog framework. The framework keeps windows, controls and
// their texts itself; a backend shows them (or not) and reports the user's actions back.
#include <memory>
#include <string>

#include "kvxtheme/dialog_template.h"
#include "kvxtheme/export.h"
#include "kvxtheme/win32_user.h"

// What a file chooser is asked for.
struct FileChooserRequest {
  bool openDialog = true;        // false: a save dialog
  std::string defaultExtension;  // as given, e.g. "*.kvx"
  std::string initialPath;       // directory and file name proposed to the user
  unsigned int flags = 0;        // OFN_* flags
  std::string filter;            // empty: every file
  HWND owner = 0;
};

class KVX_API DialogBackend {
 public:
  virtual ~DialogBackend() = default;
  // Makes the native window of a dialog and its controls (the handles are already in the
  // window table); false refuses the creation.
  virtual bool createWindow(HWND dialog, const DialogTemplate& dialogTemplate, HWND parent) = 0;
  // Shows a dialog once its window procedure has initialised it.
  virtual void showWindow(HWND dialog) = 0;
  // The window is about to leave the window table.
  virtual void destroyWindow(HWND dialog) = 0;
  // The program changed a window's text; the native window follows.
  virtual void windowTextChanged(HWND window, const std::string& text) = 0;
  // A dialog was ended with the result.
  virtual void dialogEnded(HWND dialog, int result) = 0;
  // Tells the user something and waits until the message is dismissed.
  virtual void showMessage(HWND owner, const std::string& text) = 0;
  // Runs a file chooser modally: IDOK with the chosen file's full path, or IDCANCEL.
  virtual int runFileChooser(const FileChooserRequest& request, std::string* chosenPath) = 0;
};

// The backend new windows and parentless file choosers use. Never null: without one installed,
// a headless backend whose file chooser always answers IDCANCEL. Returns the previous backend.
KVX_API std::shared_ptr<DialogBackend> setDialogBackend(std::shared_ptr<DialogBackend> backend);
KVX_API std::shared_ptr<DialogBackend> dialogBackend();
// The backend of an existing window, or the current one when the window is unknown.
KVX_API std::shared_ptr<DialogBackend> backendOfWindow(HWND window);

// Called by backends for the user's actions: the control's text becomes `text` and its dialog
// receives WM_COMMAND with EN_CHANGE; a click sends WM_COMMAND with BN_CLICKED.
KVX_API void notifyUserEdit(HWND control, const std::string& text);
KVX_API void notifyUserClick(HWND control);
// The user asked to close the dialog (window manager): the dialog receives WM_CLOSE.
KVX_API void notifyUserClose(HWND dialog);
// Whether EndDialog was called for the dialog, and with which result.
KVX_API bool dialogResult(HWND dialog, int* result);
