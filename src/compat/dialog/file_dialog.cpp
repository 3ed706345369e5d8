#include "kvxtheme/file_dialog.h"

#include "kvxtheme/dialog_backend.h"

namespace {

std::string extensionWithoutPattern(const char* defaultExtension) {
  std::string extension = defaultExtension ? defaultExtension : "";
  if (extension.rfind("*.", 0) == 0) return extension.substr(2);
  if (extension.rfind(".", 0) == 0) return extension.substr(1);
  return extension;
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CFileDialog::CFileDialog(int openFileDialog, const char* defaultExtension, const char* fileName,
                         unsigned int flags, const char* filter, CWnd* parent) {
  request_.openDialog = openFileDialog != 0;
  request_.defaultExtension = defaultExtension ? defaultExtension : "";
  request_.initialPath = fileName ? fileName : "";
  request_.flags = flags;
  request_.filter = filter ? filter : "";
  request_.owner = parent ? parent->m_hWnd : 0;
}

int CFileDialog::DoModal() {
  std::string chosen;
  const int answer = backendOfWindow(request_.owner)->runFileChooser(request_, &chosen);
  // A choice without a file name (a bare directory) is no choice.
  if (answer != IDOK || nameOf(chosen).empty()) return IDCANCEL;
  const std::string extension = extensionWithoutPattern(request_.defaultExtension.c_str());
  if (!extension.empty() && nameOf(chosen).find('.') == std::string::npos)
    chosen += "." + extension;
  path_ = chosen;
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  return nameOf(path_);
}

std::string CFileDialog::GetFileExt() const {
  const std::string name = nameOf(path_);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}
