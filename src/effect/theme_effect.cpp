#include <cstring>
#include <new>

#include "compat/win32/module_directory.h"
#include "compat/win32/win32.h"
#include "compose/compose_frame.h"
#include "compose/overlay.h"
#include "compose/picture_fit.h"
#include "compose/text_layers.h"
#include "document/theme_document.h"
#include "effect/bitmap_result.h"
#include "effect/default_page.h"
#include "effect/theme_clip.h"
#include "kvxtheme/kvxtheme.h"

CThemeEffect::CThemeEffect() = default;
CThemeEffect::CThemeEffect(const CThemeEffect& other) = default;
CThemeEffect& CThemeEffect::operator=(const CThemeEffect& other) = default;
CThemeEffect::~CThemeEffect() = default;

const ThemeDocument* CThemeEffect::themeDocument() const {
  return clip_ ? clip_->theme.get() : nullptr;
}

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
  if (clip_) return 1;

  sink->AttachEffect(this);
  std::string path;
  const std::string themeName = themeNameOf(options);
  if (pathProvider) {
    pathProvider->GetThemePath(options->providerData, themeName.c_str(), &path);
  } else {
    GetModuleDirectory(path);
    path += themeName;
  }
  auto theme = std::make_shared<ThemeDocument>();
  if (path.empty())
    BuildDefaultPage(theme.get(), width, height);
  else
    theme->loadThemeFile(path.c_str());
  clip_ = std::make_shared<ThemeClip>(std::move(theme));
  clip_->state.buildLayers(width, height);
  OutputDebugStringA("BeginKVXEffect\n");
  return 1;
}

int CThemeEffect::DoKVXEffect(unsigned char** srcRows, unsigned char** dstRows, int height,
                              int width, DSADAPTRECEXT* host) {
  if (!srcRows || !dstRows || !host || !host->options || !clip_) return 0;
  uint32_t frameIndex = host->frameCounter;
  int fieldMode = 0;
  if (host->interlaced) {
    fieldMode = (host->frameCounter & 1) ? 1 : 2;
    frameIndex = host->frameCounter >> 1;
  }
  auto* texts = queryInterface<ITextProvider>(host->options, IID_ITextProvider);
  // Keep the clip alive for this frame even if a copy ends it meanwhile.
  std::shared_ptr<ThemeClip> clip = clip_;
  const std::lock_guard<std::mutex> guard(clip->lock);
  ClipState& state = clip->state;
  // A frame that runs out of memory is lost, not the host: the protocol reports no failures of
  // a frame, kvxIncompleteFrames counts them.
  try {
    updateTextLayers(state, texts, static_cast<int>(frameIndex));
    if (!composeFrame(state, srcRows, dstRows, height, width, static_cast<int>(frameIndex),
                      fieldMode))
      ++state.incompleteFrames;
  } catch (const std::bad_alloc&) {
    ++state.incompleteFrames;
  }
  OutputDebugStringA("DoKVXEffect\n");
  return 1;
}

int CThemeEffect::EndKVXEffect(unsigned char**, unsigned char**, int, int, DSADAPTRECEXT* host) {
  if (!host || !host->options) return 0;
  clip_.reset();
  OutputDebugStringA("EndKVXEffect\n");
  return 1;
}

int CThemeEffect::MergeHolder(BITMAPINFOHEADER* picture, BITMAPINFOHEADER** result) {
  if (!clip_ || !result) return 0;
  const std::lock_guard<std::mutex> guard(clip_->lock);
  const ThemeLayer* fitted = fitPictureToPlaceholder(clip_->state, picture);
  if (!fitted) return 0;
  BITMAPINFOHEADER* bitmap = packedToBitmap(fitted->pixels, fitted->width, fitted->height, picture);
  if (!bitmap) return 0;
  *result = bitmap;
  return 1;
}

int kvxComposeOverlay(CThemeEffect& effect, int frameIndex, unsigned char** bgraRows, int height,
                      int width, ITextProvider* texts) {
  if (!bgraRows || height <= 0 || width <= 0 || frameIndex < 0) return 0;
  ThemeClip* clip = effect.themeClip();
  if (!clip) return 0;
  const std::lock_guard<std::mutex> guard(clip->lock);
  ClipState& state = clip->state;
  const uint32_t incomplete = state.incompleteFrames;
  try {
    updateTextLayers(state, texts, frameIndex);
    if (composeOverlay(state, bgraRows, height, width, frameIndex)) return 1;
  } catch (const std::bad_alloc&) {
  }
  // Counted once, whether the composition counted it already or not.
  if (state.incompleteFrames == incomplete) ++state.incompleteFrames;
  return 0;
}

uint32_t kvxIncompleteFrames(const CThemeEffect& effect) {
  const ThemeClip* clip = effect.themeClip();
  return clip ? clip->state.incompleteFrames.load() : 0;
}

int InitThemeEngine() {
  return 1;
}
