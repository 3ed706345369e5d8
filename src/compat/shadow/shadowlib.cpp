// qCreateShadow over the engine's drop shadow.
//
// Parameter block (int32 each): size (24), kind, x offset, y offset, opacity percent, blur
// radius.
#include "compat/shadow/shadowlib.h"

#include "compat/buffer/buffer_table.h"
#include "pixels/shadow/drop_shadow.h"

namespace {

constexpr int32_t kParameterBlockSize = 24;

}  // namespace

int qCreateShadow(BufHandle mask, const int32_t* params, BufHandle* shadowMask, int32_t* rect,
                  int /*reserved1*/, int /*reserved2*/, int /*reserved3*/) {
  if (!params || !shadowMask || !rect || params[0] != kParameterBlockSize) return 0;
  auto object = kvx::pixels::findBuffer(mask);
  if (!object) return 0;
  kvx::shadow::DropShadow shadow;
  if (!kvx::shadow::makeDropShadow(*object, {params[1], params[2], params[3], params[4], params[5]},
                                   &shadow))
    return 0;
  const int32_t width = shadow.mask->width, height = shadow.mask->height;
  BufHandle handle = 0;
  if (!kvx::pixels::handOut(std::move(shadow.mask), &handle)) return 0;
  *shadowMask = handle;
  rect[0] = shadow.x;
  rect[1] = shadow.y;
  rect[2] = width;
  rect[3] = height;
  return 1;
}
