#pragma once
// The reference host: drives a CThemeEffect through the public host protocol (host record,
// option record, sink, path provider and text provider) over packed 24-bit frames. The
// command-line tool, the frei0r filter and the tests use it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kvxtheme/kvxtheme.h"

namespace kvxhost {

enum class FieldOrder { Progressive, TopFieldFirst, BottomFieldFirst };

// Answers a text field for a frame: true with `text` set when the field exists.
using TextSource = std::function<bool(int frameIndex, const std::string& key, std::string* text)>;

// Why the last theme load on this thread failed, from the error record: its detail when memory
// ran out or the theme asked for more than it may hold; empty for any other outcome.
std::string themeLoadFailure();

class ReferenceHost : private IEffectSink, private IThemePathProvider, private ITextProvider {
 public:
  ReferenceHost();
  ~ReferenceHost();
  ReferenceHost(const ReferenceHost&) = delete;
  ReferenceHost& operator=(const ReferenceHost&) = delete;

  // The theme: an absolute path answered by the path provider (empty: the default page).
  void setThemePath(const std::string& path) { themePath_ = path; }
  // Stores at most 19 bytes of `name`; returns false when it had to be cut.
  bool setThemeName(const std::string& name);
  void setTextSource(TextSource source) { textSource_ = std::move(source); }

  // Starts a clip of frames width × height (whole frames, whatever the field order).
  int begin(int width, int height, FieldOrder order = FieldOrder::Progressive);
  // Why the theme could not be loaded at the last begin, from the error record when memory ran
  // out or the theme asked for too much of it; empty when it loaded or simply had nothing.
  const std::string& loadFailure() const { return loadFailure_; }
  // Renders frame `frameIndex`: source and destination are packed or strided 24-bit pictures
  // of the begun size. In field orders the effect is called once per field and the result woven.
  // 0 also when the effect could not compose the frame in full (kvxIncompleteFrames).
  int renderFrame(int frameIndex, const uint8_t* source, size_t sourceStride, uint8_t* destination,
                  size_t destinationStride);
  // Frame `frameIndex` over transparency (kvxComposeOverlay) into rows of B, G, R, A, `stride`
  // bytes apart: whole frames, whatever the field order. 0 when it could not be composed.
  int renderOverlay(int frameIndex, uint8_t* bgra, size_t stride);
  int end();

  CThemeEffect& effect() { return effect_; }
  // The effect as the sink received it (null before the first begin).
  CThemeEffectBase* attachedEffect() const { return attached_; }
  DSADAPTRECEXT& record() { return record_; }
  EffectOption& options() { return options_; }
  // The interfaces asked for at the last begin, in order, as "sink" and "path".
  const std::vector<std::string>& queries() const { return queries_; }
  // How often the text provider was asked for (once per effect call).
  long textQueries() const { return textQueries_; }

 private:
  static int hostQuery(void* context, GUID iid, void** iface);
  int AttachEffect(CThemeEffectBase* effect) override;
  int GetThemePath(void* providerData, const char* themeName, std::string* path) override;
  int GetFieldText(int frameIndex, const char* key, std::string* text, int* found) override;
  int callField(uint32_t counter, const uint8_t* source, size_t sourceStride, uint8_t* destination,
                size_t destinationStride, int parity);

  CThemeEffect effect_;
  CThemeEffectBase* attached_ = nullptr;
  DSADAPTRECEXT record_{};
  EffectOption options_{};
  std::string themePath_;
  std::string loadFailure_;
  TextSource textSource_;
  std::vector<std::string> queries_;
  std::atomic<long> textQueries_ = 0;  // counted from the threads of effect copies too
  std::vector<unsigned char*> sourceRows_;
  std::vector<unsigned char*> destinationRows_;
  std::vector<unsigned char*> overlayRows_;
  int width_ = 0;
  int height_ = 0;
  FieldOrder order_ = FieldOrder::Progressive;
  bool running_ = false;
};

}  // namespace kvxhost
