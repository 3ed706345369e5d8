#include "render_pipeline.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "kvxtheme/kvxtheme.h"

namespace kvxcli {
namespace {

using FramePtr = std::unique_ptr<PipelineFrame>;

// A bounded queue of frames; closing it wakes every waiting thread with nothing.
class FrameQueue {
 public:
  explicit FrameQueue(size_t capacity) : capacity_(capacity) {}
  bool push(FramePtr frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || frames_.size() < capacity_; });
    if (closed_) return false;
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
  }
  FramePtr pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || !frames_.empty(); });
    if (frames_.empty()) return nullptr;
    FramePtr frame = std::move(frames_.front());
    frames_.pop_front();
    changed_.notify_all();
    return frame;
  }
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<FramePtr> frames_;
  bool closed_ = false;
};

// The first failure of any thread; later ones are consequences of closing the queues.
class Failure {
 public:
  void record(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = error;
  }
  void rethrow() {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::mutex mutex_;
  std::exception_ptr error_;
};

}  // namespace

PipelineFrame::~PipelineFrame() {
  for (AVPacket*& packet : audio) av_packet_free(&packet);
}

void RenderPipeline::holdAudio(const AVPacket* packet) {
  if (!reading_) return;
  AVPacket* copy = av_packet_clone(packet);
  if (!copy) throw std::bad_alloc();
  reading_->audio.push_back(copy);
}

namespace {

// The reading and the writing stage each keep a core busy: composition bands take the others
// (one at least), unless KVXTHEME_THREADS chose a count.
void shareCoresWithTheStages() {
  if (std::getenv("KVXTHEME_THREADS")) return;
  // From the default count each time, so that renders one after another take the same share.
  kvxthemeSetThreads(0);
  kvxthemeSetThreads(std::max(1, kvxthemeThreads() - 2));
}

}  // namespace

int64_t RenderPipeline::run(const PipelineStages& stages) {
  shareCoresWithTheStages();
  FrameQueue freeSources(kFramesInFlight), sources(kQueueFrames);
  FrameQueue freeOutputs(kFramesInFlight), outputs(kQueueFrames);
  for (int i = 0; i < kFramesInFlight; ++i) {
    freeSources.push(std::make_unique<PipelineFrame>());
    freeOutputs.push(std::make_unique<PipelineFrame>());
  }
  Failure failure;
  const auto stopAll = [&] {
    for (FrameQueue* queue : {&freeSources, &sources, &freeOutputs, &outputs}) queue->close();
  };
  const auto guarded = [&](auto body) {
    return [&, body] {
      try {
        body();
      } catch (...) {
        failure.record(std::current_exception());
        stopAll();
      }
    };
  };

  std::thread reader(guarded([&] {
    for (;;) {
      FramePtr frame = freeSources.pop();
      if (!frame) return;
      reading_ = frame.get();
      frame->end = !stages.read(*frame);
      reading_ = nullptr;
      const bool end = frame->end;
      if (!sources.push(std::move(frame)) || end) return;
    }
  }));
  std::thread writer(guarded([&] {
    for (;;) {
      FramePtr frame = outputs.pop();
      if (!frame) return;
      for (AVPacket*& packet : frame->audio) {
        stages.writeAudio(packet);
        av_packet_free(&packet);
      }
      frame->audio.clear();
      if (frame->end) return;
      stages.write(frame->picture);
      if (!freeOutputs.push(std::move(frame))) return;
    }
  }));

  int64_t composed = 0;
  guarded([&] {
    for (;;) {
      FramePtr source = sources.pop();
      if (!source) return;
      FramePtr output = freeOutputs.pop();
      if (!output) return;
      output->audio.swap(source->audio);
      output->end = source->end;
      if (!source->end) {
        stages.compose(composed, source->picture, output->picture);
        ++composed;
      }
      const bool end = output->end;
      if (!outputs.push(std::move(output)) || end) return;
      if (!freeSources.push(std::move(source))) return;
    }
  })();
  reader.join();
  writer.join();
  failure.rethrow();
  return composed;
}

}  // namespace kvxcli
