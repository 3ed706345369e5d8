#pragma once
// Finding and driving widgets of the real windows in the tests.
#include <gtk/gtk.h>

#include <cstring>
#include <functional>
#include <string>

namespace kvxtest {

inline GtkWidget* findWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& wanted) {
  if (!root) return nullptr;
  if (wanted(root)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(root));
  GtkWidget* found = nullptr;
  for (GList* child = children; child && !found; child = child->next)
    found = findWidget(GTK_WIDGET(child->data), wanted);
  g_list_free(children);
  return found;
}

inline GtkWidget* findToplevel(const std::function<bool(GtkWidget*)>& wanted) {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* window = toplevels; window && !found; window = window->next)
    if (gtk_widget_get_visible(GTK_WIDGET(window->data)) && wanted(GTK_WIDGET(window->data)))
      found = GTK_WIDGET(window->data);
  g_list_free(toplevels);
  return found;
}

inline GtkWidget* findButton(GtkWidget* root, const char* label) {
  return findWidget(root, [label](GtkWidget* widget) {
    return GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)) &&
           std::strcmp(gtk_button_get_label(GTK_BUTTON(widget)), label) == 0;
  });
}

// Types the text at the end of the entry one character at a time, as keystrokes would.
inline void typeInto(GtkWidget* entry, const std::string& text) {
  for (char c : text) {
    // Handlers of the insertion copy the text up to its NUL whatever length is passed.
    const char character[2] = {c, '\0'};
    gint position = -1;
    gtk_editable_insert_text(GTK_EDITABLE(entry), character, 1, &position);
  }
}

// Answers the next file chooser that opens with `path` once it has selected it.
inline void answerNextFileChooser(const std::string& path) {
  struct Answer {
    std::string path;
    int attempts = 0;
  };
  g_timeout_add(
      20,
      +[](gpointer data) -> gboolean {
        auto* answer = static_cast<Answer*>(data);
        GtkWidget* chooser = findToplevel([](GtkWidget* w) { return GTK_IS_FILE_CHOOSER(w); });
        if (!chooser) return G_SOURCE_CONTINUE;
        GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
        if (answer->attempts++ == 0) gtk_file_chooser_set_filename(files, answer->path.c_str());
        gchar* selected = gtk_file_chooser_get_filename(files);
        const bool ready = selected && answer->path == selected;
        g_free(selected);
        if (!ready && answer->attempts < 250) return G_SOURCE_CONTINUE;
        gtk_dialog_response(GTK_DIALOG(chooser), ready ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
        delete answer;
        return G_SOURCE_REMOVE;
      },
      new Answer{path});
}

}  // namespace kvxtest
