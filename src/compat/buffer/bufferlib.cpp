// Buffer allocation, access and rectangle copies of BufferLib. Blending is in merge.cpp,
// scaling in resample.cpp.
#include "kvxtheme/bufferlib.h"

#include "compat/buffer/buffer_table.h"

using kvx::pixels::findBuffer;
using kvx::pixels::handOut;
using kvx::pixels::PixelBuffer;

extern "C" {

int buf32Alloc(BufHandle* out, int bitsPerPixel, int width, int height, int fill,
               const uint32_t* color) {
  if (!out) return 0;
  auto buffer = fill && color ? kvx::pixels::makeFilledBuffer(bitsPerPixel, width, height, *color)
                              : kvx::pixels::makeBuffer(bitsPerPixel, width, height);
  return handOut(std::move(buffer), out) ? 1 : 0;
}

int buf32Free(BufHandle handle) {
  return kvx::pixels::releaseBuffer(handle) ? 1 : 0;
}

int buf32DupBuf(BufHandle handle, BufHandle* out) {
  auto source = findBuffer(handle);
  if (!source || !out) return 0;
  return handOut(kvx::pixels::copyBuffer(*source), out) ? 1 : 0;
}

int buf32GetInfo(BufHandle handle, Buf32Info* info) {
  auto buffer = findBuffer(handle);
  if (!buffer || !info) return 0;
  info->recordSize = sizeof(Buf32Info);
  info->bitsPerPixel = buffer->bitsPerPixel;
  info->bytesPerPixel = buffer->bytesPerPixel();
  info->stride = buffer->stride;
  info->width = buffer->width;
  info->height = buffer->height;
  info->reserved = 0;
  info->dataSize = static_cast<int32_t>(buffer->data.size());
  return 1;
}

int buf32GetWHU(BufHandle handle, int* width, int* height, int* bytesPerPixel) {
  auto buffer = findBuffer(handle);
  if (!buffer) return 0;
  if (width) *width = buffer->width;
  if (height) *height = buffer->height;
  if (bytesPerPixel) *bytesPerPixel = buffer->bytesPerPixel();
  return 1;
}

int buf32Lock(BufHandle handle, int mode, uint8_t** pixels) {
  auto buffer = findBuffer(handle);
  if (!buffer || !pixels || mode < 1 || mode > 2) return 0;
  ++buffer->lockCount;
  *pixels = buffer->data.data();
  return 1;
}

int buf32Unlock(BufHandle handle) {
  auto buffer = findBuffer(handle);
  if (!buffer || buffer->lockCount == 0) return 0;
  --buffer->lockCount;
  return 1;
}

int buf32GetBuf(BufHandle handle, int x, int y, int width, int height, BufHandle* out) {
  auto source = findBuffer(handle);
  if (!source || !out) return 0;
  return handOut(kvx::pixels::cropBuffer(*source, x, y, width, height), out) ? 1 : 0;
}

int buf32GetMem(BufHandle handle, int x, int y, int width, int height, void* destination) {
  auto buffer = findBuffer(handle);
  if (!buffer) return 0;
  // The caller sized the destination for the whole rectangle: a rectangle reaching outside
  // is refused rather than half filled.
  return kvx::pixels::readRect(*buffer, x, y, width, height, static_cast<uint8_t*>(destination))
             ? 1
             : 0;
}

int buf32MergeMem(BufHandle handle, int x, int y, const void* source, int width, int height) {
  auto buffer = findBuffer(handle);
  if (!buffer || !source || width <= 0 || height <= 0) return 0;
  kvx::pixels::writeRect(*buffer, x, y, width, height, static_cast<const uint8_t*>(source));
  return 1;
}

int buf32FillOneColor(BufHandle handle, uint32_t color) {
  auto buffer = findBuffer(handle);
  if (!buffer) return 0;
  kvx::pixels::fillBuffer(*buffer, color);
  return 1;
}

}  // extern "C"
