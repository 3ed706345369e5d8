#pragma once
// Gathers the host's source rows (a whole frame, or one field of it) into one packed frame.
// In field modes the field's rows go to every second line and are doubled into the other
// field's lines until that field has arrived, so the packed frame is always complete.
#include <cstdint>
#include <memory>
#include <vector>

class FrameAssembler {
 public:
  // `rowCount` is the packed frame's row count: in field modes twice the host's rows, and
  // `rows` then holds rowCount / 2 entries. `fieldMode`: 0 frame, 1 even lines, 2 odd lines.
  uint8_t* gather(int frameIndex, unsigned char* const* rows, int rowCount, int width,
                  int fieldMode);

  // The same frame as row pointers, valid until the next call. Lines a field doubles are not
  // copied: they point at the field's own line above or below.
  const uint8_t* const* gatherRows(int frameIndex, unsigned char* const* rows, int rowCount,
                                   int width, int fieldMode);

  int firstFieldSeen() const { return firstFieldSeen_; }
  int secondFieldSeen() const { return secondFieldSeen_; }

 private:
  uint8_t* allocate(int rowCount, int width);
  // Starts a new frame when needed and copies the host's rows in; true when the field's lines
  // must stand in for the other field's.
  bool takeRows(int frameIndex, unsigned char* const* rows, int rowCount, int width, int fieldMode);

  int firstFieldSeen_ = 0;
  int secondFieldSeen_ = 0;
  int frameIndex_ = -1;
  int width_ = -1;
  int rowCount_ = -1;
  std::unique_ptr<uint8_t[]> packedFrame_;
  std::vector<const uint8_t*> rowPointers_;
  size_t capacity_ = 0;
};
