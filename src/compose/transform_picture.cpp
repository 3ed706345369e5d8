#include "compose/transform_picture.h"

#include "platform/transform/transformlib.h"

TransformPicture::TransformPicture(const uint8_t* picture, int width, int height) {
  if (buf32Alloc(&sourceBuffer_, 24, width, height, 0, nullptr))
    buf32MergeMem(sourceBuffer_, 0, 0, picture, width, height);
}

TransformPicture::~TransformPicture() {
  if (sourceBuffer_) buf32Free(sourceBuffer_);
  if (resultBuffer_) buf32Free(resultBuffer_);
}

int TransformPicture::transform(CornerPoint topLeft, CornerPoint bottomLeft, CornerPoint topRight,
                                CornerPoint bottomRight) {
  const int32_t points[8] = {topLeft.x,     topLeft.y,     topRight.x,   topRight.y,
                             bottomRight.x, bottomRight.y, bottomLeft.x, bottomLeft.y};
  if (resultBuffer_) {
    buf32Free(resultBuffer_);
    resultBuffer_ = 0;
  }
  return q32TxAction(3, 4, points, 2, sourceBuffer_, 0, &resultBuffer_, 0, 0, 0, 0, 0);
}

int TransformPicture::resultSize(int* width, int* height) const {
  if (!resultBuffer_) return 0;
  return buf32GetWHU(resultBuffer_, width, height, nullptr);
}

int TransformPicture::readResult(uint8_t* destination) const {
  int width = 0, height = 0;
  if (!resultBuffer_ || !resultSize(&width, &height)) return 0;
  return buf32GetMem(resultBuffer_, 0, 0, width, height, destination);
}
