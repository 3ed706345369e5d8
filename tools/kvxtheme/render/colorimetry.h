#pragma once
// What a picture's numbers mean as colours: FFmpeg's matrix, range, primaries and transfer
// tags. A render converts with the source's and writes them on the output, so players show the
// colours the source had.
extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace kvxcli {

struct Colorimetry {
  AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
  AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
  AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
  AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
};

// Untagged video as players take it: BT.709 above 576 lines, BT.601 (SMPTE 170M) at or below,
// limited range.
Colorimetry assumedColorimetry(int height);
// `tagged` with what it leaves unspecified taken from its matrix, or else assumed.
Colorimetry completeColorimetry(const Colorimetry& tagged, int height);

// Sets the YUV side(s) of a conversion: `source` when converting from YUV, `destination` when
// converting to YUV. Null ones are RGB sides, which need nothing.
void setConversionColorimetry(SwsContext* scaler, const Colorimetry* source,
                              const Colorimetry* destination);

}  // namespace kvxcli
