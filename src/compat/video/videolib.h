#pragma once
// VideoLib: video files read frame by frame as bottom-up 24-bit bitmaps (FFmpeg).
#include <cstdint>

#include "kvxtheme/kvxtheme.h"

constexpr int kVideoInfoSize = 424;
constexpr int kVideoInfoPath = 4;  // NUL-terminated path, must end before byte 280
constexpr int kVideoInfoPathMax = 276;
constexpr int kVideoInfoFrameCount = 280;  // uint32
// Filled by qVideoGetFileInfo besides the frame count; all 0 while the record is not filled.
constexpr int kVideoInfoId = 284;         // uint32: ties the readers to this record
constexpr int kVideoInfoWidth = 288;      // int32, pixels
constexpr int kVideoInfoHeight = 292;     // int32, pixels
constexpr int kVideoInfoRateNum = 296;    // uint32: frames per second as a fraction
constexpr int kVideoInfoRateDen = 300;    // uint32
constexpr int kVideoInfoFilledEnd = 304;  // bytes from here to kVideoInfoSize are never touched

// Each call returns 1 on success and 0 on refusal. A record is filled by qVideoGetFileInfo
// (frame count 0 when the file cannot be played) and released by qVideoFreeFileInfo, which also
// closes readers still open on it. Readers are independent of each other and may run on
// different threads; one reader serves one thread at a time.
int qVideoGetFileInfo(void* info);
// `format` must ask for 24-bit uncompressed frames. *reader receives the handle, 0 on refusal.
int qVideoReadVideoBegin(void* info, int32_t* reserved, uint32_t* reader,
                         const BITMAPINFOHEADER* format);
// *frame points to a bitmap owned by the reader, valid until the next read or the end; it is
// null when no frame comes back (past the end, an unknown reader, a decoding failure).
int qVideoReadVideo(void* info, uint32_t frameNumber, BITMAPINFOHEADER** frame, int32_t* reserved,
                    uint32_t reader);
int qVideoReadVideoEnd(void* info, uint32_t reader);
int qVideoFreeFileInfo(void* info);
