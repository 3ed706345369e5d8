#pragma once
// DialogLib: the host's dialog classes. A dialog object owns the window it creates; the
// window's messages reach the object's vfnWindowProc.
#include "kvxtheme/dialog_template.h"
#include "kvxtheme/export.h"
#include "kvxtheme/win32_user.h"

class CVFTEffect;

class KVX_API CWnd {
 public:
  CWnd() = default;
  // A copy names the same window but does not own it: only the object that created a window
  // receives its messages and destroys it.
  CWnd(const CWnd& other);
  CWnd& operator=(const CWnd& other);
  virtual ~CWnd();

  // The default window procedure: answers 0.
  virtual LRESULT vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam);

  HWND GetDlgItem(int controlId) const;
  bool ownsWindow() const;

  HWND m_hWnd = 0;

 protected:
  // Makes this object the receiver of the window's messages.
  void attachWindow(HWND window);
  void destroyOwnedWindow();
};

class KVX_API CDialog : public CWnd {
 public:
  // Creates the window and controls of the named template of `instance`, sends WM_INITDIALOG
  // and shows the window. Returns 1, or 0 when this object already has a window, the template
  // is unknown, the parent is not a window or the backend refuses.
  virtual int Create(HINSTANCE instance, const char* templateName, HWND parent);

  LRESULT vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) override;

  // Ends the dialog with the result (see EndDialog).
  void EndDialog(int result);
};

// A dialog of the video tool's effect editor: it edits one effect.
class KVX_API CVDialog : public CDialog {
 public:
  explicit CVDialog(CVFTEffect* effect) : m_pEffect(effect) {}

  CVFTEffect* effect() const { return m_pEffect; }

 protected:
  CVFTEffect* m_pEffect;
};

// The settings page of an effect: OK and Cancel end it, WM_CLOSE cancels, errors are shown to
// the user through the backend.
class KVX_API CVFTDialog : public CVDialog {
 public:
  explicit CVFTDialog(CVFTEffect* effect) : CVDialog(effect) {}

  LRESULT vfnWindowProc(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) override;
  virtual void vfnShowErrMsg(const char* message);
  virtual void OnOK();
  virtual void OnCancel();
};
