// A frame of the same size with unchanged texts allocates nothing once the first is composed,
// whatever the theme asks of the placeholder (rotation, a corner map, a video beside it) and in
// every field order. Every allocation of this test program goes through the counting operator
// new below.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "host/reference_host.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

TEST(SteadyState, FramesAfterTheFirstAllocateNothing) {
  // Empty: the default page.
  for (const std::string theme : {"", "picture-frame", "holder-ref", "video-window", "lower-third"})
    for (auto order : {kvxhost::FieldOrder::Progressive, kvxhost::FieldOrder::TopFieldFirst,
                       kvxhost::FieldOrder::BottomFieldFirst}) {
      SCOPED_TRACE(theme + " field order " + std::to_string(static_cast<int>(order)));
      kvxhost::ReferenceHost host;
      if (!theme.empty()) host.setThemePath(std::string(KVX_THEMES_DIR) + "/" + theme + ".kvx");
      host.setTextSource([](int, const std::string& key, std::string* text) {
        if (key != "SlideShowTitle") return false;
        *text = "Title";
        return true;
      });
      // 720 × 480 differs from the pages, so every frame also resizes the placeholder and, in
      // field order, the output.
      const int width = 720, height = 480;
      ASSERT_EQ(host.begin(width, height, order), 1);
      ASSERT_EQ(host.loadFailure(), "");
      std::vector<uint8_t> source(width * height * 3, 90), output(source.size());
      for (int frame = 0; frame < 2; ++frame)
        host.renderFrame(frame, source.data(), width * 3, output.data(), width * 3);
      allocations = 0;
      counting = true;
      for (int frame = 2; frame < 5; ++frame)
        host.renderFrame(frame, source.data(), width * 3, output.data(), width * 3);
      counting = false;
      EXPECT_EQ(allocations.load(), 0);
      host.end();
    }
}
