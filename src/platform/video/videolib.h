#pragma once
// VideoLib: video files read frame by frame as bottom-up 24-bit bitmaps (FFmpeg).
#include <cstdint>

#include "kvxtheme/kvxtheme.h"

constexpr int kVideoInfoSize = 424;
constexpr int kVideoInfoPath = 4;  // NUL-terminated path, must end before byte 280
constexpr int kVideoInfoPathMax = 276;
constexpr int kVideoInfoFrameCount = 280;  // uint32

int qVideoGetFileInfo(void* info);
int qVideoReadVideoBegin(void* info, int32_t* reserved, uint32_t* reader,
                         const BITMAPINFOHEADER* format);
// *frame points to a bitmap owned by the reader, valid until the next read or the end.
int qVideoReadVideo(void* info, uint32_t frameNumber, BITMAPINFOHEADER** frame, int32_t* reserved,
                    uint32_t reader);
int qVideoReadVideoEnd(void* info, uint32_t reader);
int qVideoFreeFileInfo(void* info);
