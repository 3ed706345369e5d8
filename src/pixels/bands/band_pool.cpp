#include "pixels/bands/band_pool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kvx::bands {

namespace {

constexpr int kMaxThreads = 256;

// A frame hands its threads one pass after another, microseconds apart: a thread that has run
// out of work watches for the next for this long before it sleeps, since waking a sleeping
// thread costs as much as a small pass.
constexpr auto kWatch = std::chrono::microseconds(100);

// Polls `ready` until it holds or the watch ends; true when it holds.
template <typename Ready>
bool watch(Ready ready) {
  const auto end = std::chrono::steady_clock::now() + kWatch;
  for (int polls = 0;; ++polls) {
    if (ready()) return true;
    if (polls % 64 == 63 && std::chrono::steady_clock::now() > end) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
  }
}

int defaultThreadCount() {
  if (const char* text = std::getenv("KVXTHEME_THREADS")) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && value >= 1)
      return static_cast<int>(std::min<long>(value, kMaxThreads));
  }
  // The cores this process may run on, which a container or `taskset` may limit below the
  // machine's.
  cpu_set_t allowed;
  int cores = 0;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) cores = CPU_COUNT(&allowed);
  if (cores <= 0) cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, kMaxThreads);
}

class Pool {
 public:
  explicit Pool(int threads) : threads_(threads) {
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this, i] { work(i); });
  }

  ~Pool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  int threads() const { return threads_; }

  // The caller holds `busy` for the whole job.
  void run(int bands, void (*function)(void*, int), void* context) {
    Job job;
    {
      std::lock_guard lock(mutex_);
      job = {generation_.load(std::memory_order_relaxed) + 1, function, context, bands};
      job_ = job;
      unfinished_.store(bands, std::memory_order_relaxed);
      generation_.store(job.generation, std::memory_order_release);
    }
    wake_.notify_all();
    const int done = takeBands(job, 0);
    if (unfinished_.fetch_sub(done, std::memory_order_acq_rel) == done) return;
    const auto finished = [this] { return unfinished_.load(std::memory_order_acquire) == 0; };
    if (watch(finished)) return;
    std::unique_lock lock(mutex_);
    finished_.wait(lock, finished);
  }

  std::mutex busy;

 private:
  struct Job {
    uint32_t generation = 0;
    void (*function)(void*, int) = nullptr;
    void* context = nullptr;
    int bands = 0;
  };

  // Runs this thread's share of the job: every thread takes the same bands frame after frame,
  // so each has met every size its bands need after the first frame and allocates no more.
  int takeBands(const Job& job, int thread) {
    int done = 0;
    for (int band = thread; band < job.bands; band += threads(), ++done)
      job.function(job.context, band);
    return done;
  }

  void work(int thread) {
    uint32_t seen = 0;
    for (;;) {
      Job job;
      watch([&] { return generation_.load(std::memory_order_acquire) != seen; });
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || generation_.load() != seen; });
        if (stopping_) return;
        seen = generation_.load();
        job = job_;
      }
      const int done = takeBands(job, thread);
      if (done == 0 || unfinished_.fetch_sub(done, std::memory_order_acq_rel) != done) continue;
      // The caller may be asleep: notify under the lock so that the wake-up is not lost.
      std::lock_guard lock(mutex_);
      finished_.notify_all();
    }
  }

  const int threads_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  bool stopping_ = false;
  std::atomic<uint32_t> generation_{0};
  Job job_;
  std::atomic<int> unfinished_{0};
};

std::mutex poolMutex;
std::shared_ptr<Pool> currentPool;
int chosenThreads = 0;  // 0: not chosen yet

std::shared_ptr<Pool> pool() {
  std::lock_guard lock(poolMutex);
  if (!currentPool) {
    if (chosenThreads == 0) chosenThreads = defaultThreadCount();
    currentPool = std::make_shared<Pool>(chosenThreads);
  }
  return currentPool;
}

}  // namespace

int threadCount() {
  return pool()->threads();
}

void setThreadCount(int count) {
  std::shared_ptr<Pool> old;
  {
    std::lock_guard lock(poolMutex);
    chosenThreads = count > 0 ? std::min(count, kMaxThreads) : defaultThreadCount();
    old = std::move(currentPool);
  }
  // Work running on the old threads ends first; whoever holds the last reference joins them.
  if (old) std::lock_guard wait(old->busy);
}

void forEachBand(int bands, void (*run)(void* context, int band), void* context) {
  if (bands <= 0) return;
  const std::shared_ptr<Pool> threads = bands > 1 ? pool() : nullptr;
  std::unique_lock busy(threads ? threads->busy : poolMutex, std::defer_lock);
  if (!threads || threads->threads() == 1 || !busy.try_lock()) {
    for (int band = 0; band < bands; ++band) run(context, band);
    return;
  }
  threads->run(bands, run, context);
}

}  // namespace kvx::bands
