#pragma once
// A render on three threads: the source is read (decoded and converted) on one, frames are
// composed on the calling thread, and the sink writes (converts and encodes) on a third. Frames
// and the audio read with them keep their order. Each stage hands on through a queue of
// kQueueFrames, and buffers go round, so at most kFramesInFlight source and as many output
// frames exist at once. A failure on any thread ends the others and is thrown by run().
#include <cstdint>
#include <functional>
#include <vector>

struct AVPacket;

namespace kvxcli {

struct PipelineFrame {
  PipelineFrame() = default;
  PipelineFrame(const PipelineFrame&) = delete;
  PipelineFrame& operator=(const PipelineFrame&) = delete;
  ~PipelineFrame();  // frees audio never written

  std::vector<uint8_t> picture;
  std::vector<AVPacket*> audio;  // read before this frame; written before it
  bool end = false;              // no picture: the source has ended
};

struct PipelineStages {
  // Reader thread: fills `frame.picture` with the next frame; false at the end. Audio met
  // meanwhile goes to `frame.audio` through holdAudio.
  std::function<bool(PipelineFrame& frame)> read;
  // Calling thread: frame `index` (counted from 0) from `source` into `output`.
  std::function<void(int64_t index, const std::vector<uint8_t>& source,
                     std::vector<uint8_t>& output)>
      compose;
  // Writer thread.
  std::function<void(const std::vector<uint8_t>& output)> write;
  std::function<void(AVPacket* packet)> writeAudio;
};

constexpr int kQueueFrames = 2;
constexpr int kFramesInFlight = kQueueFrames + 2;

class RenderPipeline {
 public:
  // Keeps a copy of the packet for the frame being read (reader thread only).
  void holdAudio(const AVPacket* packet);
  // Runs every frame through the stages; returns the frames composed.
  int64_t run(const PipelineStages& stages);

 private:
  PipelineFrame* reading_ = nullptr;
};

}  // namespace kvxcli
