#include "objects/layer_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "pixels/resize/resample_buffer.h"
#include "pixels/rows/pixel_rows.h"

namespace {

// Layers larger than this are refused as if memory had run out.
constexpr size_t kMaxLayerPixels = size_t{1} << 28;

size_t pixelCount(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (count > kMaxLayerPixels) throw std::bad_alloc();
  return count;
}

bool isExactlyOne(double value) {
  return value == 1.0;
}

using kvx::pixels::PixelBuffer;
using kvx::pixels::SharedBuffer;

// Reads a colour buffer as 3-byte pixels; 8-bit and 1-bit buffers are expanded to grey.
void readColour(const PixelBuffer* buffer, int width, int height, uint8_t* destination) {
  if (!buffer) return;
  if (buffer->bytesPerPixel() == 3) {
    kvx::pixels::readRect(*buffer, 0, 0, width, height, destination);
    return;
  }
  std::vector<uint8_t> grey(pixelCount(width, height));
  if (!kvx::pixels::readRect(*buffer, 0, 0, width, height, grey.data())) return;
  for (size_t i = 0; i < grey.size(); ++i)
    destination[3 * i] = destination[3 * i + 1] = destination[3 * i + 2] = grey[i];
}

// The object's buffers at the layer's size: resampled copies unless no scaling is needed. A
// buffer that cannot be resampled reads as absent.
class ScaledBuffers {
 public:
  ScaledBuffers(const SharedBuffer& image, const SharedBuffer& mask, int width, int height,
                bool resample)
      : image_(image), mask_(mask) {
    if (!resample) return;
    if (image_) image_ = kvx::resize::resampleBuffer(*image_, width, height);
    if (mask_) mask_ = kvx::resize::resampleBuffer(*mask_, width, height);
  }

  // Fills the layer's rows. Without a mask buffer the picture is opaque; without a colour
  // buffer the layer is fully transparent, so a broken object never hides what lies below.
  void fill(ThemeLayer* layer, bool hasImage, bool hasMask) const {
    const size_t count = pixelCount(layer->width, layer->height);
    layer->pixels = new uint8_t[count * 3 + 1]();
    layer->maskPixels = new uint8_t[count + 1];
    std::memset(layer->maskPixels, hasImage && !hasMask ? 255 : 0, count + 1);
    layer->opaqueMask = hasImage && !hasMask;
    if (count == 0) return;
    if (hasImage) readColour(image_.get(), layer->width, layer->height, layer->pixels);
    if (hasImage && hasMask) {
      if (mask_)
        kvx::pixels::readRect(*mask_, 0, 0, layer->width, layer->height, layer->maskPixels);
      layer->opaqueMask = std::all_of(layer->maskPixels, layer->maskPixels + count,
                                      [](uint8_t alpha) { return alpha == 255; });
    }
    swapRedBlue(layer->pixels, layer->width, layer->height);
  }

 private:
  SharedBuffer image_;
  SharedBuffer mask_;
};

}  // namespace

int scaledLength(int value, double scale) {
  return static_cast<int>(std::trunc(value * scale));
}

void swapRedBlue(uint8_t* rows, int width, int height) {
  if (!rows || width <= 0 || height <= 0) return;
  kvx::rows::swapRedBlue(rows, rows, static_cast<size_t>(width) * static_cast<size_t>(height));
}

void LayerBuilder::buildLayers(const ObjectList& objects, LayerList& layers,
                               ObjectList& textObjects) const {
  for (const auto& object : objects) {
    if (!object) continue;
    auto layer = std::make_unique<ThemeLayer>();
    try {
      if (object->isText) {
        textObjects.push_back(object->clone());
        layer->textObject = textObjects.back().get();
      }
      buildObjectLayer(layer.get(), layer->textObject ? *layer->textObject : *object);
    } catch (const std::bad_alloc&) {
      if (layer->shadowLayer) delete layer->shadowLayer;
      continue;
    }
    ThemeLayer* shadow = layer->shadowLayer;
    layers.push_front(std::move(layer));
    if (shadow) layers.push_front(std::unique_ptr<ThemeLayer>(shadow));
  }
}

void LayerBuilder::buildObjectLayer(ThemeLayer* layer, const ThemeObject& object) const {
  layer->transparency = object.transparency;
  layer->mergeMode = object.mergeMode;
  layer->x = scaledLength(object.x, scaleX_);
  layer->y = scaledLength(object.y, scaleY_);
  layer->width = std::max(0, scaledLength(object.width, scaleX_));
  layer->height = std::max(0, scaledLength(object.height, scaleY_));
  layer->name = object.name;
  layer->linkText = object.linkText;
  layer->flags = object.flags;
  layer->isText = object.isText;

  layer->releasePixels();
  const bool resample = !(isExactlyOne(scaleX_) && isExactlyOne(scaleY_));
  {
    ScaledBuffers buffers(object.imageBuffer, object.maskBuffer, layer->width, layer->height,
                          resample);
    buffers.fill(layer, object.imageBuffer != nullptr, object.maskBuffer != nullptr);
  }

  char text[260];
  if (object.getText(text, sizeof(text))) layer->text = text;

  const int scaledX = layer->x, scaledY = layer->y;
  int dx = 0, dy = 0;
  if (object.isText) {
    if (layer->alignment == 0) {
      object.getAlignment(&layer->alignment);
      if (layer->alignment == 0) {
        layer->anchorX = layer->x;
        layer->anchorY = layer->y;
      } else if (layer->alignment == 1) {
        layer->anchorX = layer->x + layer->width;
        layer->anchorY = layer->y;
      } else if (layer->alignment == 2) {
        layer->anchorX = layer->x + layer->width / 2;
        layer->anchorY = layer->y;
      }
    } else if (layer->alignment == 1 || layer->alignment == 2) {
      layer->x =
          layer->alignment == 1 ? layer->anchorX - layer->width : layer->anchorX - layer->width / 2;
      layer->y = layer->anchorY;
      dx = layer->x - scaledX;
      dy = layer->y - scaledY;
    }
  }
  layer->basePixels = layer->pixels;
  layer->baseMask = layer->maskPixels;

  if (object.shadowEnabled) {
    // The shadow the object holds is current (rendering rebuilds it with the mask); a theme's
    // own objects hold none until a clip makes it here.
    ObjectShadow shadow{object.shadowImageBuffer, object.shadowMaskBuffer, object.shadowX,
                        object.shadowY};
    if (!object.hasShadowImage()) object.makeShadow(&shadow);
    if (!layer->shadowLayer) layer->shadowLayer = new ThemeLayer;
    buildShadowLayer(layer->shadowLayer, object, shadow);
    if (layer->alignment != 0) {
      layer->shadowLayer->x += dx;
      layer->shadowLayer->y += dy;
    }
  }
  layer->sourceObject = &object;
}

void LayerBuilder::buildShadowLayer(ThemeLayer* layer, const ThemeObject& object,
                                    const ObjectShadow& shadow) const {
  layer->transparency = object.transparency;
  layer->mergeMode = object.mergeMode;
  layer->x = scaledLength(shadow.x + object.x, scaleX_);
  layer->y = scaledLength(shadow.y + object.y, scaleY_);
  const int width = shadow.mask ? shadow.mask->width : object.shadowWidth;
  const int height = shadow.mask ? shadow.mask->height : object.shadowHeight;
  layer->width = std::max(0, scaledLength(width, scaleX_));
  layer->height = std::max(0, scaledLength(height, scaleY_));
  layer->name = std::string(object.name) + "-shadow";
  layer->flags = object.flags;

  layer->releasePixels();
  const bool resample = !(isExactlyOne(scaleX_) && isExactlyOne(scaleY_));
  ScaledBuffers buffers(shadow.image, shadow.mask, layer->width, layer->height, resample);
  buffers.fill(layer, shadow.image != nullptr, shadow.mask != nullptr);
  layer->basePixels = layer->pixels;
  layer->baseMask = layer->maskPixels;
}

int LayerBuilder::rebuildTextLayer(ThemeLayer* layer, const char* text) const {
  if (!layer || !text) return 0;
  if (layer->text == text) return 1;
  ThemeObject* object = layer->textObject;
  if (!object || !object->setText(text)) return 0;
  layer->text = text;
  if (!object->render()) return 0;
  try {
    buildObjectLayer(layer, *object);
  } catch (const std::bad_alloc&) {
    // The caller hides a layer whose text could not be shown; its rows are gone.
    return 0;
  }
  // The read-back is cut to 259 bytes (and empty when hidden); remember the text asked for so
  // that an unchanged long or hidden text is not rebuilt on every frame.
  layer->text = text;
  return 1;
}
