#pragma once
// Public host interface of the kvxtheme effect: the host record, its option record, the three
// host interfaces and the effect class a host drives through a clip.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "kvxtheme/export.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool IsEqualGUID(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

extern "C" {
KVX_API extern const GUID IID_IEffectSink;
KVX_API extern const GUID IID_IThemePathProvider;
KVX_API extern const GUID IID_ITextProvider;
}

struct BITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

class KVX_API CThemeEffectBase {
 public:
  // Fits a bottom-up 24-bit bitmap into the placeholder and hands back a new bitmap (release it
  // with GlobalFree from kvxtheme/globalmem.h). Returns 1, or 0 with *result untouched.
  virtual int MergeHolder(BITMAPINFOHEADER* picture, BITMAPINFOHEADER** result) = 0;

 protected:
  ~CThemeEffectBase() = default;
};

// Host interfaces. The effect calls only the first virtual operation of each and never
// releases them.
struct IEffectSink {
  virtual int AttachEffect(CThemeEffectBase* effect) = 0;

 protected:
  ~IEffectSink() = default;
};

struct IThemePathProvider {
  virtual int GetThemePath(void* providerData, const char* themeName, std::string* path) = 0;

 protected:
  ~IThemePathProvider() = default;
};

struct ITextProvider {
  virtual int GetFieldText(int frameIndex, const char* key, std::string* text, int* found) = 0;

 protected:
  ~ITextProvider() = default;
};

// The effect's option record, owned by the host. Bytes named hostReserved belong to the host.
struct EffectOption {
  uint8_t hostReserved0[8];
  char themeName[20];  // a bare file name, NUL-terminated, at most 19 characters
  int (*hostQuery)(void* context, GUID iid, void** iface);
  void* hostQueryContext;
  uint8_t hostReserved1[4];
  uint8_t providerData[64];  // host-defined; the effect hands only its address on
};

// The host record passed to every clip operation.
struct DSADAPTRECEXT {
  uint8_t hostReserved0[16];
  EffectOption* options;
  uint8_t hostReserved1[16];
  int32_t interlaced;  // nonzero: every DoKVXEffect call carries one field
  uint8_t hostReserved2[24];
  uint32_t frameCounter;  // running number of the frame, or of the field when interlaced
  uint8_t hostReserved3[28];
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(EffectOption, themeName) == 8);
static_assert(offsetof(EffectOption, hostQuery) == 28);
static_assert(offsetof(EffectOption, hostQueryContext) == 32);
static_assert(offsetof(EffectOption, providerData) == 40);
static_assert(offsetof(DSADAPTRECEXT, options) == 16);
static_assert(offsetof(DSADAPTRECEXT, interlaced) == 36);
static_assert(offsetof(DSADAPTRECEXT, frameCounter) == 64);
#endif

class ThemeDocument;
struct ThemeClip;

// One effect instance. Copies share the running clip (its theme and state); it is released when
// the last copy ends the clip or is destroyed. Copies may be called from different threads:
// their calls on the shared clip take turns under the clip's own lock. One object is called from
// one thread at a time; independent effects run in parallel.
class KVX_API CThemeEffect : public CThemeEffectBase {
 public:
  CThemeEffect();
  CThemeEffect(const CThemeEffect& other);
  CThemeEffect& operator=(const CThemeEffect& other);
  ~CThemeEffect();

  // Rows are `height` pointers to `width` × 3 bytes each (one field when interlaced).
  int BeginKVXEffect(unsigned char** srcRows, unsigned char** dstRows, int height, int width,
                     DSADAPTRECEXT* host);
  int DoKVXEffect(unsigned char** srcRows, unsigned char** dstRows, int height, int width,
                  DSADAPTRECEXT* host);
  int EndKVXEffect(unsigned char** srcRows, unsigned char** dstRows, int height, int width,
                   DSADAPTRECEXT* host);

  // The running clip's theme, or null outside a clip.
  const ThemeDocument* themeDocument() const;
  // The running clip, or null outside a clip.
  ThemeClip* themeClip() const { return clip_.get(); }

 protected:
  int MergeHolder(BITMAPINFOHEADER* picture, BITMAPINFOHEADER** result) override;

 private:
  std::shared_ptr<ThemeClip> clip_;
};

extern "C++" {
KVX_API int InitThemeEngine();
// Loads the theme at `path` and stores a copy of its placeholder picture as a buffer handle in
// *texture (see kvxtheme/bufferlib.h). False only when memory runs out.
KVX_API bool q32themeGetKVXTexture(const char* path, void** texture);

// Beside the effect's protocol, which reports nothing of a frame to the host: how many frames
// or fields of the running clip could not be composed in full (a placement or layer that did
// not fit in memory, rows the effect could not use). Such a frame shows what could be drawn.
// 0 outside a clip. Why the clip's theme failed to load, hosts read from the error record
// (c32GetDLLErrorInfo, kvxtheme/commonlib.h) after BeginKVXEffect.
KVX_API uint32_t kvxIncompleteFrames(const CThemeEffect& effect);

// Beside the effect's protocol, for editors that lay the theme on a track above the footage:
// frame `frameIndex` of the running clip composed over transparency. Every layer is merged as
// DoKVXEffect merges it, once over a black frame and once over a white one; a pixel's alpha is
// how little of the host's frame shows through it (the placeholder's placed area, after fit,
// rotation or corner map and through its mask, is a hole of alpha 0), its colour what the theme
// puts there. `bgraRows` are `height` pointers to `width` × 4 bytes B, G, R, A (straight alpha)
// of whole frames; texts are asked of `texts` as DoKVXEffect asks the host's (null: the text
// layers keep their texts).
// 1 on success; 0 outside a clip, for unusable rows or when the frame could not be composed in
// full. Laid over a frame with the usual "over" operator, the result equals DoKVXEffect's
// output within rounding wherever the host's frame reaches the page unscaled and the layers
// merge in the normal mode.
KVX_API int kvxComposeOverlay(CThemeEffect& effect, int frameIndex, unsigned char** bgraRows,
                              int height, int width, ITextProvider* texts);

// The library's version, "major.minor.patch".
extern "C" KVX_API const char* kvxthemeVersion();

// The threads that compose a frame in bands, the calling thread included, shared by every clip
// of the process: KVXTHEME_THREADS when set, else the machine's cores. A count of 1 composes on
// the calling thread alone; 0 returns to the default. Frames are the same whatever the count.
extern "C" KVX_API void kvxthemeSetThreads(int count);
extern "C" KVX_API int kvxthemeThreads();
}
