#pragma once
// A backend without a display: controls live only in the window table, messages are kept in
// a list and the file chooser gives answers scripted in advance.
#include <deque>
#include <string>
#include <vector>

#include "kvxtheme/dialog_backend.h"
#include "kvxtheme/export.h"

class KVX_API HeadlessDialogBackend : public DialogBackend {
 public:
  // The next file chooser answers IDOK with the path, or IDCANCEL. Without a scripted answer a
  // file chooser answers IDCANCEL.
  void scriptFileChoice(const std::string& path);
  void scriptFileCancel();

  // The user's actions, as a display backend would report them.
  void typeText(HWND control, const std::string& text);
  void click(HWND control);

  const std::vector<FileChooserRequest>& fileRequests() const { return fileRequests_; }
  const std::vector<std::string>& messages() const { return messages_; }
  bool isShown(HWND dialog) const;

  bool createWindow(HWND dialog, const DialogTemplate& dialogTemplate, HWND parent) override;
  void showWindow(HWND dialog) override;
  void destroyWindow(HWND dialog) override;
  void windowTextChanged(HWND window, const std::string& text) override;
  void dialogEnded(HWND dialog, int result) override;
  void showMessage(HWND owner, const std::string& text) override;
  int runFileChooser(const FileChooserRequest& request, std::string* chosenPath) override;

 private:
  struct ScriptedChoice {
    int answer;
    std::string path;
  };
  std::deque<ScriptedChoice> choices_;
  std::vector<FileChooserRequest> fileRequests_;
  std::vector<std::string> messages_;
  std::vector<HWND> shown_;
};
