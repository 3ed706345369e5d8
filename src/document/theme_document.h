#pragma once
// The model of one theme for one effect instance: objects in file order, groups, the layers
// built for the output size, the frame buffer, the input-frame assembler and the per-document
// state of the placeholder fit and the video reader. It keeps the data; LayerBuilder builds its
// layers and Compositor composes its frames.
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "document/frame_assembler.h"
#include "document/theme_group.h"
#include "io/video_reader.h"
#include "kvxtheme/kvxtheme.h"
#include "objects/layer_builder.h"
#include "objects/theme_layer.h"
#include "objects/theme_object.h"

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

// The video reader of the document's "video" layer; no reader when the file cannot be played.
struct VideoReaderState {
  std::unique_ptr<kvxvideo::VideoReader> reader;
  uint32_t frameCount = 0;
};

class ThemeDocument {
 public:
  using ObjectList = ::ObjectList;
  using GroupList = std::list<std::unique_ptr<ThemeGroup>>;
  using LayerList = ::LayerList;

  ThemeDocument() = default;
  virtual ~ThemeDocument();
  ThemeDocument(const ThemeDocument&) = delete;
  ThemeDocument& operator=(const ThemeDocument&) = delete;

  ThemeGroup* findGroup(int32_t id) const;
  ThemeObject* findObject(const char* name) const;
  ThemeLayer* findLayer(const char* name) const;
  int isGroupReferenced(int32_t id) const;
  void removeUnreferencedGroups();
  uint8_t* prepareFrameBuffer(int width, int height);
  void deleteObjects();
  void deleteLayers();

  // Theme file loading.
  int loadThemeFile(const char* path);
  int parseGroupBlock(GroupList& groups, int32_t size, const uint8_t* block);
  int addGroup(GroupList& groups, int32_t id, const char* name);
  int setGroupTexts(int32_t id, const char* text1, const char* text2, const char* text3,
                    const char* text4, GroupList& groups);

  // Layers: sets the scale and the frame buffer for the output size, then builds every
  // object's layer once; the rest forward to LayerBuilder at the document's scale.
  int buildLayers(int width, int height);
  void buildObjectLayer(ThemeLayer* layer, ThemeObject* object);
  void buildShadowLayer(ThemeLayer* layer, ThemeObject* object);
  int rebuildTextLayer(ThemeLayer* layer, const char* text);
  LayerBuilder layerBuilder() const { return LayerBuilder(scaleX, scaleY); }

  FrameAssembler frameAssembler;
  LayerList layers;
  int layersBuilt = 0;
  uint8_t* frameBuffer = nullptr;
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  ObjectList objects;
  GroupList groups;
  double scaleX = 1.0;
  double scaleY = 1.0;
  int32_t pageHeight = 0;
  int32_t pageWidth = 0;
  int videoOpen = 0;

  FitScratch fitScratch;
  PlacementScratch placementScratch;
  CornerRecordCache cornerRecord;
  VideoReaderState video;
  // Overlays: the uniform black and white host frames and the compositions over them.
  std::vector<uint8_t> overlayHostBlack;
  std::vector<uint8_t> overlayHostWhite;
  std::vector<uint8_t> overlayBlack;
  std::vector<uint8_t> overlayWhite;
  OverlayCache overlayCache;
  // Frames or fields of the clip not composed in full; the host protocol cannot say so.
  std::atomic<uint32_t> incompleteFrames = 0;
  // Serialises the calls of effect copies that share this document; uncontended otherwise.
  std::mutex lock;
};

// Case-insensitive comparison of names, as theme names are matched.
bool namesEqualIgnoringCase(const char* a, const char* b);
