#pragma once
// Makes one ThemeObject from its 1,512-byte information record and the file's pictures and
// streams.
#include <cstdint>
#include <memory>
#include <string>

#include "kvxtheme/kvx_container.h"
#include "pixels/pixel_buffer.h"

class ThemeDocument;
class ThemeObject;

// A theme file being loaded: its parsed chunks and the path it was read from.
struct ThemeSource {
  std::shared_ptr<const kvx::KvxContainer> container;
  std::string path;
};

// 1 with the new object in *object, or the failing result (0 or below) with nothing stored.
// `index` names one of the container's objects.
int loadObject(const ThemeSource& file, int index, ThemeObject** object, ThemeDocument* document,
               int32_t pageRenderFlag);

// Writes a stored picture into `buffer`, clipped to it; a one-colour picture fills the whole
// buffer. 1 on success, else the reader's failure (0 or below).
int readPictureInto(const kvx::PictureChunk& picture, kvx::pixels::PixelBuffer& buffer);
