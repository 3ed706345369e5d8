#pragma once
// The process's worker threads for work split into horizontal bands of a picture. The workers
// and the calling thread take every n-th band, so a frame's passes run on every core while each
// band's rows stay in the cache. Results never depend on the number of threads: each band is
// computed exactly as a single thread would compute it.
#include <cstddef>

namespace kvx::bands {

// Threads that work on bands, the caller included: 1 runs everything on the calling thread.
// Chosen once from KVXTHEME_THREADS, else the machine's cores; setThreadCount changes it
// (0: back to that default), waiting for running work to end.
int threadCount();
void setThreadCount(int count);

// Calls run(context, band) for every band in [0, bands) and returns when all have run. Work
// given while the threads are busy (another clip's frame, or a band that splits its own work)
// runs on the calling thread alone, so threads are never oversubscribed and never wait on
// each other. Allocates nothing once the threads have started.
void forEachBand(int bands, void (*run)(void* context, int band), void* context);

template <typename Function>
void forEachBand(int bands, Function& function) {
  forEachBand(
      bands, [](void* context, int band) { (*static_cast<Function*>(context))(band); }, &function);
}

// Rows [first, end) of band `band` when `rows` rows are split into `bands` nearly equal bands.
inline void bandRows(int rows, int bands, int band, int* first, int* end) {
  *first = static_cast<int>(static_cast<long long>(rows) * band / bands);
  *end = static_cast<int>(static_cast<long long>(rows) * (band + 1) / bands);
}

// Splits `rows` rows into bands of about `rowsPerBand` rows (one at least) and calls
// function(first, end) for each, as forEachBand does.
template <typename Function>
void forEachRowBand(int rows, int rowsPerBand, Function& function) {
  const int bands = rows / rowsPerBand > 1 ? rows / rowsPerBand : 1;
  auto band = [&](int index) {
    int first = 0, end = 0;
    bandRows(rows, bands, index, &first, &end);
    function(first, end);
  };
  forEachBand(bands, band);
}

}  // namespace kvx::bands
