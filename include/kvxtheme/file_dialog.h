#pragma once
// The framework's file chooser, shown through the backend of its parent window (or the
// current backend when it has none).
#include <string>

#include "kvxtheme/dialog_backend.h"
#include "kvxtheme/dialoglib.h"
#include "kvxtheme/export.h"

constexpr unsigned int OFN_OVERWRITEPROMPT = 0x0002;
constexpr unsigned int OFN_HIDEREADONLY = 0x0004;

class KVX_API CFileDialog {
 public:
  // `defaultExtension` (with or without a leading "*." or ".") is added to a chosen name that
  // has no extension; `fileName` is the proposed path; `filter` may be null for every file.
  CFileDialog(int openFileDialog, const char* defaultExtension = nullptr,
              const char* fileName = nullptr,
              unsigned int flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
              const char* filter = nullptr, CWnd* parent = nullptr);

  // IDOK when the user chose a file, IDCANCEL otherwise.
  int DoModal();
  // The chosen file's full path, its name without the directory, and its extension.
  std::string GetPathName() const { return path_; }
  std::string GetFileName() const;
  std::string GetFileExt() const;

 private:
  FileChooserRequest request_;
  std::string path_;
};
