#include <cstring>
#include <new>

#include "compat/win32/module_directory.h"
#include "compat/win32/win32.h"
#include "compose/compositor.h"
#include "document/theme_document.h"
#include "effect/bitmap_result.h"
#include "effect/default_page.h"
#include "kvxtheme/kvxtheme.h"

CThemeEffect::CThemeEffect() = default;
CThemeEffect::CThemeEffect(const CThemeEffect& other) = default;
CThemeEffect& CThemeEffect::operator=(const CThemeEffect& other) = default;
CThemeEffect::~CThemeEffect() = default;

namespace {

template <typename Interface>
Interface* queryInterface(const EffectOption* options, const GUID& iid) {
  void* iface = nullptr;
  if (options->hostQuery) options->hostQuery(options->hostQueryContext, iid, &iface);
  return static_cast<Interface*>(iface);
}

std::string themeNameOf(const EffectOption* options) {
  return std::string(options->themeName, strnlen(options->themeName, sizeof(options->themeName)));
}

}  // namespace

int CThemeEffect::BeginKVXEffect(unsigned char**, unsigned char**, int height, int width,
                                 DSADAPTRECEXT* host) {
  if (!host || !host->options) return 0;
  EffectOption* options = host->options;
  auto* sink = queryInterface<IEffectSink>(options, IID_IEffectSink);
  auto* pathProvider = queryInterface<IThemePathProvider>(options, IID_IThemePathProvider);
  if (!sink) return 0;
  if (document_) return 1;

  sink->AttachEffect(this);
  std::string path;
  const std::string themeName = themeNameOf(options);
  if (pathProvider) {
    pathProvider->GetThemePath(options->providerData, themeName.c_str(), &path);
  } else {
    GetModuleDirectory(path);
    path += themeName;
  }
  document_ = std::make_shared<ThemeDocument>();
  if (path.empty())
    BuildDefaultPage(document_.get(), width, height);
  else
    document_->loadThemeFile(path.c_str());
  document_->buildLayers(width, height);
  OutputDebugStringA("BeginKVXEffect\n");
  return 1;
}

int CThemeEffect::DoKVXEffect(unsigned char** srcRows, unsigned char** dstRows, int height,
                              int width, DSADAPTRECEXT* host) {
  if (!srcRows || !dstRows || !host || !host->options || !document_) return 0;
  uint32_t frameIndex = host->frameCounter;
  int fieldMode = 0;
  if (host->interlaced) {
    fieldMode = (host->frameCounter & 1) ? 1 : 2;
    frameIndex = host->frameCounter >> 1;
  }
  auto* texts = queryInterface<ITextProvider>(host->options, IID_ITextProvider);
  // Keep the document alive for this frame even if a copy ends the clip meanwhile.
  std::shared_ptr<ThemeDocument> document = document_;
  const std::lock_guard<std::mutex> guard(document->lock);
  // A frame that runs out of memory is lost, not the host: the protocol reports no failures of
  // a frame, kvxIncompleteFrames counts them.
  try {
    Compositor(*document).updateTextLayers(texts, static_cast<int>(frameIndex));
    if (!Compositor(*document).composeFrame(srcRows, dstRows, height, width,
                                            static_cast<int>(frameIndex), fieldMode))
      ++document->incompleteFrames;
  } catch (const std::bad_alloc&) {
    ++document->incompleteFrames;
  }
  OutputDebugStringA("DoKVXEffect\n");
  return 1;
}

int CThemeEffect::EndKVXEffect(unsigned char**, unsigned char**, int, int, DSADAPTRECEXT* host) {
  if (!host || !host->options) return 0;
  document_.reset();
  OutputDebugStringA("EndKVXEffect\n");
  return 1;
}

int CThemeEffect::MergeHolder(BITMAPINFOHEADER* picture, BITMAPINFOHEADER** result) {
  if (!document_ || !result) return 0;
  const std::lock_guard<std::mutex> guard(document_->lock);
  const ThemeLayer* fitted = Compositor(*document_).fitPictureToPlaceholder(picture);
  if (!fitted) return 0;
  BITMAPINFOHEADER* bitmap = packedToBitmap(fitted->pixels, fitted->width, fitted->height, picture);
  if (!bitmap) return 0;
  *result = bitmap;
  return 1;
}

int kvxComposeOverlay(CThemeEffect& effect, int frameIndex, unsigned char** bgraRows, int height,
                      int width, ITextProvider* texts) {
  if (!bgraRows || height <= 0 || width <= 0 || frameIndex < 0) return 0;
  ThemeDocument* document = effect.themeDocument();
  if (!document) return 0;
  const std::lock_guard<std::mutex> guard(document->lock);
  const uint32_t incomplete = document->incompleteFrames;
  try {
    Compositor(*document).updateTextLayers(texts, frameIndex);
    if (Compositor(*document).composeOverlay(bgraRows, height, width, frameIndex)) return 1;
  } catch (const std::bad_alloc&) {
  }
  // Counted once, whether the composition counted it already or not.
  if (document->incompleteFrames == incomplete) ++document->incompleteFrames;
  return 0;
}

uint32_t kvxIncompleteFrames(const CThemeEffect& effect) {
  const ThemeDocument* document = effect.themeDocument();
  return document ? document->incompleteFrames.load() : 0;
}

int InitThemeEngine() {
  return 1;
}
