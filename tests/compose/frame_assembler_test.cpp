#include "compose/frame_assembler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kWidth = 4;

// Host rows whose every byte holds `base` plus the row number.
struct HostRows {
  HostRows(int count, uint8_t base) {
    for (int i = 0; i < count; ++i) bytes.emplace_back(kWidth * 3, uint8_t(base + i));
    for (auto& row : bytes) pointers.push_back(row.data());
  }
  std::vector<std::vector<uint8_t>> bytes;
  std::vector<unsigned char*> pointers;
};

uint8_t line(const uint8_t* frame, int index) {
  return frame[index * kWidth * 3];
}

// The row form lists the lines the packed form holds, call after call, and a doubled line is
// the very row of the field that stands in for it.
TEST(FrameAssembler, RowsListTheLinesOfThePackedFrame) {
  struct Call {
    int frameIndex, fieldMode;
    uint8_t base;
  };
  const Call calls[] = {{0, 2, 10}, {0, 1, 20}, {1, 1, 30}, {1, 1, 40}, {1, 2, 50}, {2, 2, 60}};
  FrameAssembler packed, listed;
  for (const Call& call : calls) {
    SCOPED_TRACE(call.base);
    HostRows rows(3, call.base);
    const uint8_t* frame =
        packed.gather(call.frameIndex, rows.pointers.data(), 6, kWidth, call.fieldMode);
    const uint8_t* const* lines =
        listed.gatherRows(call.frameIndex, rows.pointers.data(), 6, kWidth, call.fieldMode);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[i][0], line(frame, i)) << "line " << i;
    if (packed.firstFieldSeen() != packed.secondFieldSeen()) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(lines[2 * j], lines[2 * j + 1]);
    }
  }
}

}  // namespace

TEST(FrameAssembler, ProgressiveFramesReuseTheBufferAndRewriteEveryLine) {
  FrameAssembler assembler;
  HostRows first(3, 10), second(3, 50);
  const uint8_t* a = assembler.gather(0, first.pointers.data(), 3, kWidth, 0);
  EXPECT_EQ(line(a, 2), 12);
  const uint8_t* b = assembler.gather(0, second.pointers.data(), 3, kWidth, 0);
  EXPECT_EQ(a, b);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(line(b, i), 50 + i);
  EXPECT_EQ(assembler.firstFieldSeen() + assembler.secondFieldSeen(), 0);
}

TEST(FrameAssembler, FirstFieldIsDoubledUntilTheOtherArrives) {
  FrameAssembler assembler;
  HostRows odd(3, 100), even(3, 200);
  const uint8_t* frame = assembler.gather(5, odd.pointers.data(), 6, kWidth, 2);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(line(frame, 2 * j + 1), 100 + j);
    EXPECT_EQ(line(frame, 2 * j), 100 + j) << "even lines doubled from the odd field";
  }
  frame = assembler.gather(5, even.pointers.data(), 6, kWidth, 1);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(line(frame, 2 * j), 200 + j);
    EXPECT_EQ(line(frame, 2 * j + 1), 100 + j) << "odd field kept";
  }
  EXPECT_EQ(assembler.firstFieldSeen(), 1);
  EXPECT_EQ(assembler.secondFieldSeen(), 1);
}

TEST(FrameAssembler, NewFrameIndexClearsTheFieldsAndDoublesAgain) {
  FrameAssembler assembler;
  HostRows even5(2, 10), even6(2, 60);
  assembler.gather(5, even5.pointers.data(), 4, kWidth, 1);
  const uint8_t* frame = assembler.gather(6, even6.pointers.data(), 4, kWidth, 1);
  EXPECT_EQ(assembler.secondFieldSeen(), 0);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(line(frame, 2 * j), 60 + j);
    EXPECT_EQ(line(frame, 2 * j + 1), 60 + j);
  }
}

TEST(FrameAssembler, SameParityAgainOverwritesAndStillDoubles) {
  FrameAssembler assembler;
  HostRows first(2, 10), again(2, 30);
  assembler.gather(1, first.pointers.data(), 4, kWidth, 1);
  const uint8_t* frame = assembler.gather(1, again.pointers.data(), 4, kWidth, 1);
  EXPECT_EQ(line(frame, 0), 30);
  EXPECT_EQ(line(frame, 1), 30);
}

TEST(FrameAssembler, SwitchingToFieldsDoublesTheRowCount) {
  FrameAssembler assembler;
  HostRows rows(4, 1);
  assembler.gather(0, rows.pointers.data(), 4, kWidth, 0);
  const uint8_t* frame = assembler.gather(0, rows.pointers.data(), 8, kWidth, 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(line(frame, i), 1 + i / 2);
  EXPECT_EQ(assembler.firstFieldSeen(), 1);
}

TEST(FrameAssembler, NoRowsCopiesNothing) {
  FrameAssembler assembler;
  EXPECT_NE(assembler.gather(0, nullptr, 0, kWidth, 0), nullptr);
  EXPECT_NE(assembler.gather(0, nullptr, 0, kWidth, 2), nullptr);
}
