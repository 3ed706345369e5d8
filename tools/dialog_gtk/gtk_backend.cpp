#include "gtk_backend.h"

#include <algorithm>

namespace {

constexpr const char* kHandleKey = "kvx-hwnd";
constexpr const char* kBackendKey = "kvx-backend";

HWND handleOf(gpointer object) {
  return static_cast<HWND>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(object), kHandleKey)));
}

void tag(GtkWidget* widget, HWND handle, GtkDialogBackend* backend) {
  g_object_set_data(G_OBJECT(widget), kHandleKey, GUINT_TO_POINTER(handle));
  g_object_set_data(G_OBJECT(widget), kBackendKey, backend);
}

GtkWidget* makeControl(const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::Edit: {
      GtkWidget* entry = gtk_entry_new();
      gtk_entry_set_text(GTK_ENTRY(entry), control.text.c_str());
      return entry;
    }
    case ControlKind::Button:
      return gtk_button_new_with_label(control.text.c_str());
    case ControlKind::Label: {
      GtkWidget* label = gtk_label_new(control.text.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
      return label;
    }
  }
  return nullptr;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void addFilters(GtkFileChooser* chooser, const std::string& defaultExtension) {
  std::string pattern = defaultExtension;
  if (pattern.rfind("*.", 0) != 0) pattern = pattern.rfind(".", 0) == 0 ? "*" + pattern : "";
  if (pattern.empty()) return;
  GtkFileFilter* themes = gtk_file_filter_new();
  gtk_file_filter_set_name(themes, ("Theme files (" + pattern + ")").c_str());
  gtk_file_filter_add_pattern(themes, pattern.c_str());
  gtk_file_chooser_add_filter(chooser, themes);
  GtkFileFilter* all = gtk_file_filter_new();
  gtk_file_filter_set_name(all, "All files");
  gtk_file_filter_add_pattern(all, "*");
  gtk_file_chooser_add_filter(chooser, all);
}

}  // namespace

std::shared_ptr<GtkDialogBackend> GtkDialogBackend::open() {
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  return std::shared_ptr<GtkDialogBackend>(new GtkDialogBackend());
}

GtkDialogBackend::~GtkDialogBackend() {
  for (auto& [handle, dialog] : dialogs_) gtk_widget_destroy(dialog.window);
}

GtkWidget* GtkDialogBackend::widget(HWND window) const {
  if (auto dialog = dialogs_.find(window); dialog != dialogs_.end()) return dialog->second.window;
  auto control = controls_.find(window);
  return control == controls_.end() ? nullptr : control->second;
}

GtkWindow* GtkDialogBackend::parentWindow(HWND window) const {
  auto dialog = dialogs_.find(window);
  return dialog == dialogs_.end() ? nullptr : GTK_WINDOW(dialog->second.window);
}

bool GtkDialogBackend::createWindow(HWND dialog, const DialogTemplate& dialogTemplate,
                                    HWND parent) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), dialogTemplate.title.c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  if (GtkWindow* owner = parentWindow(parent))
    gtk_window_set_transient_for(GTK_WINDOW(window), owner);
  tag(window, dialog, this);

  GtkWidget* layout = gtk_fixed_new();
  gtk_widget_set_size_request(layout, dialogTemplate.width, dialogTemplate.height);
  gtk_container_add(GTK_CONTAINER(window), layout);
  for (const ControlTemplate& control : dialogTemplate.controls) {
    GtkWidget* widget = makeControl(control);
    gtk_widget_set_size_request(widget, control.width, control.height);
    gtk_fixed_put(GTK_FIXED(layout), widget, control.x, control.y);
    const HWND handle = GetDlgItem(dialog, control.id);
    if (!handle) continue;
    tag(widget, handle, this);
    controls_[handle] = widget;
    if (control.kind == ControlKind::Edit) {
      g_signal_connect(widget, "changed", G_CALLBACK(+[](GtkEditable* editable, gpointer data) {
                         auto* self = static_cast<GtkDialogBackend*>(data);
                         if (self->programChange_) return;
                         notifyUserEdit(handleOf(editable),
                                        gtk_entry_get_text(GTK_ENTRY(editable)));
                       }),
                       this);
    } else if (control.kind == ControlKind::Button) {
      g_signal_connect(widget, "clicked", G_CALLBACK(+[](GtkButton* button, gpointer) {
                         notifyUserClick(handleOf(button));
                       }),
                       nullptr);
    }
  }
  // Closing through the window manager asks the dialog; the window stays until it agrees.
  g_signal_connect(window, "delete-event",
                   G_CALLBACK(+[](GtkWidget* widget, GdkEvent*, gpointer) -> gboolean {
                     notifyUserClose(handleOf(widget));
                     return TRUE;
                   }),
                   nullptr);
  g_signal_connect(window, "draw",
                   G_CALLBACK(+[](GtkWidget* widget, cairo_t*, gpointer data) -> gboolean {
                     auto* self = static_cast<GtkDialogBackend*>(data);
                     auto found = self->dialogs_.find(handleOf(widget));
                     if (found != self->dialogs_.end()) found->second.drawn = true;
                     return FALSE;
                   }),
                   this);
  gtk_widget_show_all(layout);
  dialogs_[dialog].window = window;
  return true;
}

void GtkDialogBackend::showWindow(HWND dialog) {
  auto found = dialogs_.find(dialog);
  if (found != dialogs_.end()) gtk_window_present(GTK_WINDOW(found->second.window));
}

void GtkDialogBackend::destroyWindow(HWND dialog) {
  auto found = dialogs_.find(dialog);
  if (found == dialogs_.end()) return;
  quitModalLoop(dialog);
  for (auto control = controls_.begin(); control != controls_.end();) {
    if (GetParent(control->first) == dialog)
      control = controls_.erase(control);
    else
      ++control;
  }
  programChange_ = true;
  gtk_widget_destroy(found->second.window);
  programChange_ = false;
  dialogs_.erase(found);
}

void GtkDialogBackend::windowTextChanged(HWND window, const std::string& text) {
  GtkWidget* target = widget(window);
  if (!target) return;
  programChange_ = true;
  if (GTK_IS_WINDOW(target))
    gtk_window_set_title(GTK_WINDOW(target), text.c_str());
  else if (GTK_IS_ENTRY(target))
    gtk_entry_set_text(GTK_ENTRY(target), text.c_str());
  else if (GTK_IS_BUTTON(target))
    gtk_button_set_label(GTK_BUTTON(target), text.c_str());
  else if (GTK_IS_LABEL(target))
    gtk_label_set_text(GTK_LABEL(target), text.c_str());
  programChange_ = false;
}

void GtkDialogBackend::dialogEnded(HWND dialog, int) {
  auto found = dialogs_.find(dialog);
  if (found == dialogs_.end()) return;
  gtk_widget_hide(found->second.window);
  quitModalLoop(dialog);
}

void GtkDialogBackend::quitModalLoop(HWND dialog) {
  auto found = dialogs_.find(dialog);
  if (found != dialogs_.end() && found->second.modalLoop) g_main_loop_quit(found->second.modalLoop);
}

int GtkDialogBackend::runModal(HWND dialog) {
  int result = IDCANCEL;
  if (dialogResult(dialog, &result)) return result;
  auto found = dialogs_.find(dialog);
  if (found == dialogs_.end()) return IDCANCEL;
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  found->second.modalLoop = loop;
  g_main_loop_run(loop);
  // The dialog may have been destroyed while the loop ran.
  if (auto still = dialogs_.find(dialog); still != dialogs_.end())
    still->second.modalLoop = nullptr;
  g_main_loop_unref(loop);
  return dialogResult(dialog, &result) ? result : IDCANCEL;
}

void GtkDialogBackend::processPendingEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

bool GtkDialogBackend::saveScreenshot(HWND dialog, const std::string& pngPath, int* width,
                                      int* height) {
  auto found = dialogs_.find(dialog);
  if (found == dialogs_.end() || !gtk_widget_get_visible(found->second.window)) return false;
  GtkWidget* window = found->second.window;
  // Drawing happens on the frame clock: let it run until the window has painted once, giving
  // up if a display that stopped answering never paints it.
  bool gaveUp = false;
  const guint guard = g_timeout_add_seconds(
      10,
      +[](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &gaveUp);
  while (!gaveUp && (!found->second.drawn || !gtk_widget_get_mapped(window)))
    gtk_main_iteration_do(TRUE);
  if (gaveUp) return false;
  g_source_remove(guard);
  processPendingEvents();
  gdk_display_sync(gtk_widget_get_display(window));
  GdkWindow* native = gtk_widget_get_window(window);
  const int w = gdk_window_get_width(native);
  const int h = gdk_window_get_height(native);
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(native, 0, 0, w, h);
  if (!shot) return false;
  const bool saved = gdk_pixbuf_save(shot, pngPath.c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
  if (width) *width = w;
  if (height) *height = h;
  return saved;
}

void GtkDialogBackend::showMessage(HWND owner, const std::string& text) {
  GtkWidget* message = gtk_message_dialog_new(
      parentWindow(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_dialog_run(GTK_DIALOG(message));
  gtk_widget_destroy(message);
}

int GtkDialogBackend::runFileChooser(const FileChooserRequest& request, std::string* chosenPath) {
  const bool open = request.openDialog;
  GtkWidget* chooser = gtk_file_chooser_dialog_new(
      open ? "Choose a theme file" : "Save as", parentWindow(request.owner),
      open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
      GTK_RESPONSE_CANCEL, open ? "_Open" : "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_file_chooser_set_local_only(files, TRUE);
  if (!open)
    gtk_file_chooser_set_do_overwrite_confirmation(files, (request.flags & 0x0002u) ? TRUE : FALSE);
  addFilters(files, request.defaultExtension);
  const std::string directory = directoryOf(request.initialPath);
  const std::string name = nameOf(request.initialPath);
  if (!name.empty() && g_file_test(request.initialPath.c_str(), G_FILE_TEST_IS_REGULAR))
    gtk_file_chooser_set_filename(files, request.initialPath.c_str());
  else if (!directory.empty())
    gtk_file_chooser_set_current_folder(files, directory.c_str());
  if (!open && !name.empty()) gtk_file_chooser_set_current_name(files, name.c_str());

  int answer = IDCANCEL;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(files)) {
      if (chosenPath) *chosenPath = path;
      g_free(path);
      answer = IDOK;
    }
  }
  gtk_widget_destroy(chooser);
  return answer;
}
