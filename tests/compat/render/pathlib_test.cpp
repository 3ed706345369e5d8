#include "kvxtheme/pathlib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

QzPath samplePath() {
  QzPath path;
  path.commands.push_back({QzPathCommand::Move, {1.5, -2}});
  path.commands.push_back({QzPathCommand::Line, {10, 20}});
  path.commands.push_back({QzPathCommand::Curve, {1, 2, 3, 4, 5, 6}});
  path.commands.push_back({QzPathCommand::Close, {}});
  return path;
}

std::vector<uint8_t> flattened(const QzPath& path) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(QzPathFlatten(&path, &bytes), 1);
  return bytes;
}

// Unflattens and returns the result, or null; the path is deleted by the caller's check.
int unflatten(const std::vector<uint8_t>& bytes, size_t available, size_t* consumed) {
  const uint8_t* cursor = bytes.data();
  QzPath* path = nullptr;
  const int result = QzPathUnFlatten(&cursor, available, &path);
  *consumed = static_cast<size_t>(cursor - bytes.data());
  if (result)
    EXPECT_EQ(QzPathDeletePtr(path, 0), 1);
  else
    EXPECT_EQ(path, nullptr);
  return result;
}

}  // namespace

TEST(PathLib, RoundTripKeepsEveryCommandAndAdvancesPastIt) {
  const QzPath original = samplePath();
  std::vector<uint8_t> bytes = flattened(original);
  const size_t pathSize = bytes.size();
  bytes.push_back(0xAB);  // whatever follows the path stays unread
  const uint8_t* cursor = bytes.data();
  QzPath* path = nullptr;
  ASSERT_EQ(QzPathUnFlatten(&cursor, bytes.size(), &path), 1);
  EXPECT_EQ(cursor, bytes.data() + pathSize);
  ASSERT_EQ(path->commands.size(), original.commands.size());
  for (size_t i = 0; i < original.commands.size(); ++i) {
    EXPECT_EQ(path->commands[i].kind, original.commands[i].kind);
    EXPECT_EQ(std::memcmp(path->commands[i].points, original.commands[i].points,
                          sizeof(double) * qzPathPointCount(original.commands[i].kind)),
              0);
  }
  EXPECT_EQ(QzPathDeletePtr(path, 0), 1);
  EXPECT_EQ(QzPathDeletePtr(path, 0), 0);  // already deleted
}

TEST(PathLib, EveryTruncationIsRefused) {
  const std::vector<uint8_t> bytes = flattened(samplePath());
  for (size_t available = 0; available < bytes.size(); ++available) {
    size_t consumed = 0;
    EXPECT_EQ(unflatten(bytes, available, &consumed), 0) << available;
    EXPECT_EQ(consumed, 0u);
  }
}

TEST(PathLib, DamagedHeadersAndCommandsAreRefused) {
  const std::vector<uint8_t> good = flattened(samplePath());
  size_t consumed;
  auto damaged = [&](size_t offset, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[offset] = value;
    return unflatten(bytes, bytes.size(), &consumed);
  };
  EXPECT_EQ(damaged(0, 'X'), 0);    // magic
  EXPECT_EQ(damaged(4, 2), 0);      // version
  EXPECT_EQ(damaged(6, 1), 0);      // flags
  EXPECT_EQ(damaged(11, 0x7F), 0);  // a count far beyond the data
  EXPECT_EQ(damaged(12, 9), 0);     // unknown command kind
  // A coordinate that is not a number, and one beyond the limits.
  std::vector<uint8_t> bytes = good;
  const double nan = std::numeric_limits<double>::quiet_NaN(), far = 1e300;
  std::memcpy(&bytes[13], &nan, 8);
  EXPECT_EQ(unflatten(bytes, bytes.size(), &consumed), 0);
  std::memcpy(&bytes[13], &far, 8);
  EXPECT_EQ(unflatten(bytes, bytes.size(), &consumed), 0);
}

TEST(PathLib, InvalidArgumentsAndForeignPointersAreRefused) {
  QzPath* path = nullptr;
  const uint8_t* nothing = nullptr;
  EXPECT_EQ(QzPathUnFlatten(&nothing, 100, &path), 0);
  EXPECT_EQ(QzPathUnFlatten(nullptr, 100, &path), 0);
  QzPath local = samplePath();
  EXPECT_EQ(QzPathDeletePtr(&local, 0), 0);
  EXPECT_EQ(QzPathDeletePtr(nullptr, 0), 0);
  local.commands[1].points[0] = std::numeric_limits<double>::infinity();
  std::vector<uint8_t> bytes;
  EXPECT_EQ(QzPathFlatten(&local, &bytes), 0);
  EXPECT_TRUE(bytes.empty());
}
