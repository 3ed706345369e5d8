#pragma once
// The GTK 3 backend of the dialog framework: dialogs become real windows, the edit box a
// GtkEntry, buttons GtkButtons and the file chooser a GtkFileChooserDialog. Every change typed
// into an entry reaches the dialog as WM_COMMAND. Use it on the thread that initialised GTK.
#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>

#include "kvxtheme/dialog_backend.h"
#include "kvxtheme/export.h"

class KVX_API GtkDialogBackend : public DialogBackend {
 public:
  // Initialises GTK on the default display; null when no display can be opened.
  static std::shared_ptr<GtkDialogBackend> open();
  ~GtkDialogBackend() override;

  // The GtkWindow of a dialog, or the widget of a control; null when unknown.
  GtkWidget* widget(HWND window) const;
  // Runs the main loop until the dialog is ended or destroyed; the result it was ended with,
  // IDCANCEL when it was destroyed without one.
  int runModal(HWND dialog);
  // Handles the events GTK has queued, without waiting for more.
  static void processPendingEvents();
  // Waits until the dialog's window is shown and drawn, then saves what the screen shows of
  // it as PNG. False when the window is not shown or the file cannot be written.
  bool saveScreenshot(HWND dialog, const std::string& pngPath, int* width, int* height);

  bool createWindow(HWND dialog, const DialogTemplate& dialogTemplate, HWND parent) override;
  void showWindow(HWND dialog) override;
  void destroyWindow(HWND dialog) override;
  void windowTextChanged(HWND window, const std::string& text) override;
  void dialogEnded(HWND dialog, int result) override;
  void showMessage(HWND owner, const std::string& text) override;
  int runFileChooser(const FileChooserRequest& request, std::string* chosenPath) override;

 private:
  GtkDialogBackend() = default;
  struct NativeDialog {
    GtkWidget* window = nullptr;
    GMainLoop* modalLoop = nullptr;
    bool drawn = false;
  };
  GtkWindow* parentWindow(HWND window) const;
  void quitModalLoop(HWND dialog);

  std::map<HWND, NativeDialog> dialogs_;
  std::map<HWND, GtkWidget*> controls_;
  // Set while the program itself changes a widget, so that only the user's edits notify.
  bool programChange_ = false;
};
