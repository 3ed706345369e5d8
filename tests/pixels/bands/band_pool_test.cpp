#include "pixels/bands/band_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Restores the default thread count when a test ends.
struct ThreadCountGuard {
  ~ThreadCountGuard() { kvx::bands::setThreadCount(0); }
};

TEST(BandPool, RunsEveryBandOnceForAnyThreadCount) {
  ThreadCountGuard guard;
  for (int threads : {1, 2, 3, 8}) {
    kvx::bands::setThreadCount(threads);
    EXPECT_EQ(kvx::bands::threadCount(), threads);
    for (int bands : {1, 2, 7, 64}) {
      std::vector<std::atomic<int>> runs(bands);
      auto count = [&](int band) { runs[band].fetch_add(1); };
      for (int repeat = 0; repeat < 20; ++repeat) kvx::bands::forEachBand(bands, count);
      for (int band = 0; band < bands; ++band)
        EXPECT_EQ(runs[band].load(), 20) << threads << " threads, band " << band << "/" << bands;
    }
  }
}

TEST(BandPool, WorkGivenWhileBusyRunsOnTheCallerWithoutWaiting) {
  ThreadCountGuard guard;
  kvx::bands::setThreadCount(2);
  // A band that splits its own work, and two callers at once: both finish, every band once.
  std::atomic<int> inner{0}, outer{0};
  auto nested = [&](int) {
    auto leaf = [&](int) { inner.fetch_add(1); };
    kvx::bands::forEachBand(4, leaf);
    outer.fetch_add(1);
  };
  std::thread other([&] {
    for (int i = 0; i < 50; ++i) kvx::bands::forEachBand(3, nested);
  });
  for (int i = 0; i < 50; ++i) kvx::bands::forEachBand(3, nested);
  other.join();
  EXPECT_EQ(outer.load(), 2 * 50 * 3);
  EXPECT_EQ(inner.load(), 2 * 50 * 3 * 4);
}

TEST(BandPool, BandRowsCoverTheRowsInOrder) {
  for (int rows : {1, 31, 1080, 2161})
    for (int bands : {1, 2, 5, 33}) {
      int expected = 0;
      for (int band = 0; band < bands; ++band) {
        int first = 0, end = 0;
        kvx::bands::bandRows(rows, bands, band, &first, &end);
        EXPECT_EQ(first, expected);
        EXPECT_GE(end, first);
        expected = end;
      }
      EXPECT_EQ(expected, rows);
    }
}

}  // namespace
