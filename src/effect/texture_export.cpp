// The placeholder picture of a theme, fetched without running a clip.
#include <memory>
#include <new>

#include "compat/buffer/buffer_table.h"
#include "document/theme_document.h"
#include "kvxtheme/kvxtheme.h"

namespace {

int GetPlaceholderTexture(ThemeDocument* document, void** texture) {
  if (!texture) return 0;
  if (ThemeObject* placeholder = document->findObject("placeholder")) {
    BufHandle copy = 0;
    if (placeholder->imageBuffer &&
        kvx::pixels::handOut(kvx::pixels::copyBuffer(*placeholder->imageBuffer), &copy))
      *texture = reinterpret_cast<void*>(static_cast<uintptr_t>(copy));
  }
  return 1;
}

}  // namespace

bool q32themeGetKVXTexture(const char* path, void** texture) {
  std::unique_ptr<ThemeDocument> document(new (std::nothrow) ThemeDocument);
  if (!document) return false;
  if (document->loadThemeFile(path) != 0) GetPlaceholderTexture(document.get(), texture);
  return true;
}
