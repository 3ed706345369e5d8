#include "kvxtheme/headless_backend.h"

#include <algorithm>

void HeadlessDialogBackend::scriptFileChoice(const std::string& path) {
  choices_.push_back({IDOK, path});
}

void HeadlessDialogBackend::scriptFileCancel() {
  choices_.push_back({IDCANCEL, {}});
}

void HeadlessDialogBackend::typeText(HWND control, const std::string& text) {
  notifyUserEdit(control, text);
}

void HeadlessDialogBackend::click(HWND control) {
  notifyUserClick(control);
}

bool HeadlessDialogBackend::isShown(HWND dialog) const {
  return std::find(shown_.begin(), shown_.end(), dialog) != shown_.end();
}

bool HeadlessDialogBackend::createWindow(HWND, const DialogTemplate&, HWND) {
  return true;
}

void HeadlessDialogBackend::showWindow(HWND dialog) {
  if (!isShown(dialog)) shown_.push_back(dialog);
}

void HeadlessDialogBackend::destroyWindow(HWND dialog) {
  dialogEnded(dialog, 0);
}

void HeadlessDialogBackend::windowTextChanged(HWND, const std::string&) {}

void HeadlessDialogBackend::dialogEnded(HWND dialog, int) {
  shown_.erase(std::remove(shown_.begin(), shown_.end(), dialog), shown_.end());
}

void HeadlessDialogBackend::showMessage(HWND, const std::string& text) {
  messages_.push_back(text);
}

int HeadlessDialogBackend::runFileChooser(const FileChooserRequest& request,
                                          std::string* chosenPath) {
  fileRequests_.push_back(request);
  if (choices_.empty()) return IDCANCEL;
  ScriptedChoice choice = std::move(choices_.front());
  choices_.pop_front();
  if (choice.answer == IDOK && chosenPath) *chosenPath = choice.path;
  return choice.answer;
}
