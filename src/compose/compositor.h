#pragma once
// The per-frame work on one document: the host's texts into the text layers, the host's frame
// into the placeholder (rotated or mapped when the theme asks), the video layer's frame, the
// merge of every visible layer, and the copy into the host's rows. A Compositor is a view of
// the document for the length of a call; all state between frames stays in the document.
#include <string>

#include "document/theme_document.h"
#include "kvxtheme/kvxtheme.h"

class Compositor {
 public:
  explicit Compositor(ThemeDocument& document) : document_(document) {}

  // Composes one frame (fieldMode 0) or field (1 even lines, 2 odd lines) of `height` host
  // rows. 1 on success, 0 when the rows, the size or the layers are unusable.
  int composeFrame(unsigned char** srcRows, unsigned char** dstRows, int height, int width,
                   int frameIndex, int fieldMode);
  // Frame `frameIndex` over transparency: composed over a black and over a white host frame of
  // width × height, then each pixel's B, G, R, A (straight alpha) into `bgraRows`.
  int composeOverlay(unsigned char** bgraRows, int height, int width, int frameIndex);
  // Fits a still picture into the placeholder with its aspect kept; the placeholder's layer,
  // which holds the result, or null when the picture or the placeholder is unusable.
  const ThemeLayer* fitPictureToPlaceholder(const BITMAPINFOHEADER* picture);

  // The "video" layer: opens the layer's file beside the program and copies frame
  // `frameIndex`, looping, into the layer.
  int openVideo(const std::string& fileName);
  void copyVideoFrame(ThemeLayer* layer, int frameIndex);

  // Text layers: each shows the host's text for its name (the caption its four fields), and
  // hides when there is none.
  int updateTextLayers(ITextProvider* provider, int frameIndex);
  int queryLayerText(ITextProvider* provider, int frameIndex, const char* key, std::string& text);

 private:
  ThemeDocument& document_;
};
