#pragma once
// Everything that changes while one clip plays a theme: the layers built at the output size
// (text layers with their own copies of the text objects), the frame they are merged into, the
// input-frame assembler, the caches of the placeholder and the overlays, and the video reader.
// The theme itself is only read.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compose/frame_assembler.h"
#include "document/theme_document.h"
#include "io/video_reader.h"
#include "objects/layer_builder.h"

// Scratch buffers of the aspect fit, kept between calls while the scaled size stays the same.
struct FitScratch {
  std::vector<uint8_t> colour;
  std::vector<uint8_t> mask;
  int width = 0;
  int height = 0;
};

// The placeholder's picture halved for sampling onto its corners, kept between frames so that
// a steady placement allocates nothing.
struct PlacementScratch {
  std::vector<uint8_t> halved[2];
};

// The corner record of the placeholder's reference object, read at the first frame that needs
// it: a theme's objects keep their placement while a clip plays.
struct CornerRecordCache {
  const RenderObject* object = nullptr;  // the record's source; null before the first read
  bool present = false;
  uint8_t record[32] = {};
};

// The last overlay and the text layers' state it was composed with: over a uniform host frame
// a page without a playing video changes only when a text layer does.
struct OverlayCache {
  struct TextLayerState {
    int flags;
    std::string text;
  };
  std::vector<TextLayerState> textLayers;
  std::vector<uint8_t> bgra;  // packed rows; empty when there is none to reuse
  int width = 0;
  int height = 0;
};

// The overlays' uniform black and white host frames and the compositions over them.
struct OverlayScratch {
  std::vector<uint8_t> hostBlack;
  std::vector<uint8_t> hostWhite;
  std::vector<uint8_t> black;
  std::vector<uint8_t> white;
};

// The reader of the "video" layer's file, opened at the first frame that shows it; no reader
// when the file cannot be played.
struct VideoLayerState {
  bool opened = false;
  std::unique_ptr<kvxvideo::VideoReader> reader;
  uint32_t frameCount = 0;
};

// The layers a frame treats apart, found once when the layers are built. The last object of a
// name is the one that counts, as it is drawn on top.
struct SpecialLayers {
  ThemeLayer* placeholder = nullptr;
  ThemeLayer* holderRef = nullptr;  // carries the placeholder's corners when it has none
  ThemeLayer* video = nullptr;
};

class ClipState {
 public:
  // The theme must outlive the clip.
  explicit ClipState(const ThemeDocument& theme) : theme_(theme) {}
  ClipState(const ClipState&) = delete;
  ClipState& operator=(const ClipState&) = delete;

  const ThemeDocument& theme() const { return theme_; }

  // Sets the scale and the frame for the output size, then builds every object's layer, once.
  // 0 when the page has no size or memory runs out.
  int buildLayers(int width, int height);
  ThemeLayer* findLayer(const char* name) const;
  // Sets a text layer's text on its own object, renders it and rebuilds the layer.
  int rebuildTextLayer(ThemeLayer* layer, const char* text) const;
  LayerBuilder layerBuilder() const { return LayerBuilder(scaleX, scaleY); }

  LayerList layers;
  ObjectList textObjects;
  SpecialLayers special;
  int layersBuilt = 0;
  std::vector<uint8_t> frameBuffer;
  std::vector<const uint8_t*> frameRows;  // the frame buffer's rows, listed for a field's stretch
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  double scaleX = 1.0;
  double scaleY = 1.0;

  FrameAssembler frameAssembler;
  FitScratch fitScratch;
  PlacementScratch placementScratch;
  CornerRecordCache cornerRecord;
  VideoLayerState video;
  OverlayScratch overlay;
  OverlayCache overlayCache;
  // Frames or fields of the clip not composed in full; the host protocol cannot say so.
  std::atomic<uint32_t> incompleteFrames = 0;

 private:
  const ThemeDocument& theme_;
};
