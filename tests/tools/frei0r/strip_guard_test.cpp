#include "strip_guard.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvxfrei0r {
namespace {

TEST(StripGuardTest, WholeFramesAndRepeatedFramesAreNotStrips) {
  std::vector<uint32_t> first(100), second(100);
  StripGuard guard(100);
  EXPECT_FALSE(guard.check(false, 0.0, first.data()));
  EXPECT_FALSE(guard.check(false, 0.04, second.data()));
  // A host redrawing the same frame from another buffer.
  EXPECT_FALSE(guard.check(false, 0.04, first.data()));
  EXPECT_FALSE(guard.stripsSeen());
}

TEST(StripGuardTest, NeighbouringInputsAtTheSameTimeAreStrips) {
  std::vector<uint32_t> frame(400);
  StripGuard forward(100);
  EXPECT_FALSE(forward.check(false, 1.0, frame.data()));
  EXPECT_TRUE(forward.check(false, 1.0, frame.data() + 100));
  // Once seen, the instance stays refused.
  EXPECT_TRUE(forward.check(false, 2.0, frame.data()));

  StripGuard backward(100);
  EXPECT_FALSE(backward.check(false, 1.0, frame.data() + 300));
  EXPECT_TRUE(backward.check(false, 1.0, frame.data() + 200));
}

TEST(StripGuardTest, OverlappingCallsAreStrips) {
  std::vector<uint32_t> frame(100);
  StripGuard guard(100);
  EXPECT_FALSE(guard.enter());
  EXPECT_TRUE(guard.enter());
  guard.leave();
  guard.leave();
  EXPECT_FALSE(guard.enter());
  EXPECT_TRUE(guard.check(true, 0.0, frame.data()));
  guard.leave();
}

}  // namespace
}  // namespace kvxfrei0r
