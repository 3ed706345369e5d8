#include "theme_chooser.h"

#include <gtk/gtk.h>

#include <array>
#include <cstring>

#include "gtk_backend.h"
#include "kvxtheme/effecthost.h"
#include "kvxtheme/kvx_theme_dlg.h"
#include "kvxtheme/theme_page_template.h"

namespace {

// A window beside the page showing the host's preview picture.
class PreviewWindow {
 public:
  PreviewWindow() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), "Preview");
    image_ = gtk_image_new();
    gtk_container_add(GTK_CONTAINER(window_), image_);
    g_signal_connect(window_, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
  }
  ~PreviewWindow() { gtk_widget_destroy(window_); }
  PreviewWindow(const PreviewWindow&) = delete;
  PreviewWindow& operator=(const PreviewWindow&) = delete;

  void show(const PreviewPicture& picture, GtkWidget* beside) {
    const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() / rowBytes < static_cast<size_t>(picture.height))
      return;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, picture.width, picture.height);
    if (!pixbuf) return;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < picture.height; ++y)
      std::memcpy(pixels + static_cast<size_t>(y) * stride, picture.rgb.data() + y * rowBytes,
                  rowBytes);
    gtk_image_set_from_pixbuf(GTK_IMAGE(image_), pixbuf);
    g_object_unref(pixbuf);
    if (!gtk_widget_get_visible(window_) && beside) {
      int x = 0, y = 0, width = 0, height = 0;
      gtk_window_get_position(GTK_WINDOW(beside), &x, &y);
      gtk_window_get_size(GTK_WINDOW(beside), &width, &height);
      gtk_window_move(GTK_WINDOW(window_), x + width + 16, y);
    }
    gtk_widget_show_all(window_);
  }

 private:
  GtkWidget* window_;
  GtkWidget* image_;
};

}  // namespace

int runThemeChooser(EffectOption* options, int count, const ThemeChooserSettings& settings) {
  if (!options || count < 1) return kThemeChooserUnavailable;
  std::shared_ptr<GtkDialogBackend> backend = GtkDialogBackend::open();
  if (!backend) return kThemeChooserUnavailable;

  std::vector<OptionTableEntry> entries(static_cast<size_t>(count));
  std::vector<std::array<char, sizeof(EffectOption::themeName)>> before(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].option = &options[i];
    std::memcpy(before[i].data(), options[i].themeName, before[i].size());
  }
  OptionTable table;
  table.count = count;
  table.entries = entries.data();
  OptionHolder holder;
  holder.current = &options[0];

  PreviewWindow previewWindow;
  HWND page = 0;
  EffectPreview preview([&](CVFTEffect*) {
    PreviewPicture picture;
    if (settings.onPreviewRedraw && settings.onPreviewRedraw(options[0], &picture))
      previewWindow.show(picture, backend->widget(page));
  });
  CVFTEffect effect;
  effect.optionTable = &table;
  effect.optionHolder = &holder;
  effect.previewTarget = &preview;

  DialogTemplate pageTemplate = themePageTemplate();
  if (!settings.title.empty()) pageTemplate.title = settings.title;
  DialogResources resources;
  resources.add(kThemePageTemplateName, pageTemplate);

  std::shared_ptr<DialogBackend> previous = setDialogBackend(backend);
  int result = kThemeChooserUnavailable;
  {
    CKVXThemeDlg dialog(&effect);
    if (dialog.Create(&resources, kThemePageTemplateName, 0)) {
      page = dialog.m_hWnd;
      vft32InvalidateRect(&effect, &preview, nullptr, 0);
      vft32UpdateWindow(&preview);
      result = backend->runModal(page);
    }
  }
  setDialogBackend(previous);
  GtkDialogBackend::processPendingEvents();
  if (result != IDOK)
    for (size_t i = 0; i < entries.size(); ++i)
      std::memcpy(options[i].themeName, before[i].data(), before[i].size());
  return result;
}
