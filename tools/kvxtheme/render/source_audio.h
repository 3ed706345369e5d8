#pragma once
// The audio streams of a source copied into an output beside its video, packet by packet with
// their own timestamps, as a whole render copies them.
#include <cstdint>
#include <string>
#include <vector>

#include "host/ffmpeg_ptr.h"

namespace kvxcli {

class SourceAudio {
 public:
  // Opens `path` and adds a stream to `output` for each of its audio streams the output's
  // container can carry; refuses a source with none naming it. `target` names the output.
  SourceAudio(const std::string& path, AVFormatContext* output, const std::string& target);

  int streamCount() const { return static_cast<int>(copies_.size()); }
  // Writes the packets to be decoded before `time` (in `timeBase`).
  void writeBefore(int64_t time, AVRational timeBase);
  // Writes the rest of the packets that start before `end`, the end of the video.
  void finish(int64_t end, AVRational timeBase);

 private:
  struct Copy {
    int sourceIndex;
    AVStream* stream;
    bool ended;
  };
  // The next packet of a copied stream into packet_; false at the end of the source.
  bool readPacket();
  Copy* copyOf(int sourceIndex);
  void writePacket(Copy* copy);

  std::string path_;
  std::string target_;
  kvxhost::InputContextPtr input_;
  AVFormatContext* output_;
  std::vector<Copy> copies_;
  kvxhost::PacketPtr packet_;
  bool held_ = false;  // packet_ holds a packet not yet written
  bool ended_ = false;
};

}  // namespace kvxcli
