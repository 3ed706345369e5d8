#include <mutex>

#include "compat/win32/win32.h"

namespace {

std::mutex& sinkMutex() {
  static std::mutex mutex;
  return mutex;
}

TraceSink& sink() {
  static TraceSink* instance = new TraceSink;
  return *instance;
}

}  // namespace

void OutputDebugStringA(const char* text) {
  if (!text) return;
  std::lock_guard lock(sinkMutex());
  if (sink()) sink()(text);
}

void kvxSetTraceSink(TraceSink newSink) {
  std::lock_guard lock(sinkMutex());
  sink() = std::move(newSink);
}
