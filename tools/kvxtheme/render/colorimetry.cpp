#include "colorimetry.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace kvxcli {
namespace {

// The matrices swscale converts with; the rest (RGB, YCgCo, ...) are not matrices a YUV stream
// of ours is tagged with.
bool knownMatrix(AVColorSpace matrix) {
  switch (matrix) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return true;
    default:
      return false;
  }
}

int swsMatrix(AVColorSpace matrix) {
  switch (matrix) {
    case AVCOL_SPC_BT709:
      return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
      return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    case AVCOL_SPC_BT470BG:
      return SWS_CS_ITU624;
    default:
      return SWS_CS_SMPTE170M;
  }
}

}  // namespace

Colorimetry assumedColorimetry(int height) {
  if (height > 576) return {AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, AVCOL_PRI_BT709, AVCOL_TRC_BT709};
  return {AVCOL_SPC_SMPTE170M, AVCOL_RANGE_MPEG, AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M};
}

Colorimetry completeColorimetry(const Colorimetry& tagged, int height) {
  Colorimetry result = tagged;
  Colorimetry fill = assumedColorimetry(height);
  if (!knownMatrix(result.matrix)) {
    result.matrix = fill.matrix;
  } else if (result.matrix == AVCOL_SPC_BT709) {
    fill = assumedColorimetry(577);
  } else if (result.matrix == AVCOL_SPC_BT470BG) {
    fill.primaries = AVCOL_PRI_BT470BG;
    fill.transfer = AVCOL_TRC_SMPTE170M;
  } else if (result.matrix == AVCOL_SPC_BT2020_NCL || result.matrix == AVCOL_SPC_BT2020_CL) {
    fill.primaries = AVCOL_PRI_BT2020;
    fill.transfer = AVCOL_TRC_BT2020_10;
  } else if (result.matrix == AVCOL_SPC_SMPTE170M) {
    fill = assumedColorimetry(576);
  }
  if (result.range == AVCOL_RANGE_UNSPECIFIED) result.range = AVCOL_RANGE_MPEG;
  if (result.primaries == AVCOL_PRI_UNSPECIFIED || result.primaries == AVCOL_PRI_RESERVED ||
      result.primaries == AVCOL_PRI_RESERVED0)
    result.primaries = fill.primaries;
  if (result.transfer == AVCOL_TRC_UNSPECIFIED || result.transfer == AVCOL_TRC_RESERVED ||
      result.transfer == AVCOL_TRC_RESERVED0)
    result.transfer = fill.transfer;
  return result;
}

void setConversionColorimetry(SwsContext* scaler, const Colorimetry* source,
                              const Colorimetry* destination) {
  // swscale's neutral settings, for a context that does not report its own.
  int* sourceTable = nullptr;
  int* destinationTable = nullptr;
  int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 1 << 16,
      saturation = 1 << 16;
  const int* from = sws_getCoefficients(SWS_CS_DEFAULT);
  const int* to = from;
  if (sws_getColorspaceDetails(scaler, &sourceTable, &sourceRange, &destinationTable,
                               &destinationRange, &brightness, &contrast, &saturation) >= 0) {
    from = sourceTable;
    to = destinationTable;
  }
  if (source) {
    from = sws_getCoefficients(swsMatrix(source->matrix));
    sourceRange = source->range == AVCOL_RANGE_JPEG ? 1 : 0;
  }
  if (destination) {
    to = sws_getCoefficients(swsMatrix(destination->matrix));
    destinationRange = destination->range == AVCOL_RANGE_JPEG ? 1 : 0;
  }
  sws_setColorspaceDetails(scaler, from, sourceRange, to, destinationRange, brightness, contrast,
                           saturation);
}

}  // namespace kvxcli
