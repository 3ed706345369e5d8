#include "kvxtheme/kvxtheme.h"
#include "pixels/bands/band_pool.h"

extern "C" KVX_API void kvxthemeSetThreads(int count) {
  kvx::bands::setThreadCount(count);
}

extern "C" KVX_API int kvxthemeThreads() {
  return kvx::bands::threadCount();
}
