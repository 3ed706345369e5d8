// Reading a sequential 1920 x 1080 H.264 clip frame by frame through VideoLib, against plain
// libavcodec decoding of the same file (the floor: no conversion, no bitmap) and against one
// top-down row copy of a frame into a packed layer, all measured in the same run in wall time
// (the decoder runs its own threads).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "compat/video/videolib.h"
#include "support/figures.h"
#include "support/test_picture.h"
#include "support/video_writer.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kFrames = 50;

std::map<std::string, double> wallSeconds;

// Wall time per iteration of the last run of a benchmark.
class WallClock {
 public:
  WallClock(const char* name, benchmark::State& state)
      : name_(name), state_(state), start_(std::chrono::steady_clock::now()) {}
  ~WallClock() {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    if (state_.iterations() > 0) wallSeconds[name_] = elapsed.count() / state_.iterations();
  }

 private:
  const char* name_;
  benchmark::State& state_;
  std::chrono::steady_clock::time_point start_;
};

std::string clipFile() {
  return (std::filesystem::temp_directory_path() / "kvx_video_bench_1080p.mp4").string();
}

// A detailed picture panning across the frame, encoded once per run like a camera clip.
const std::string& clipPath() {
  static const std::string path = [] {
    const std::string file = clipFile();
    const int margin = 2 * kFrames;
    const std::vector<uint8_t> scene = kvxbench::makeTestPicture(kWidth + margin, kHeight);
    kvxvideo::VideoWriterOptions options;
    options.codecOptions = "preset=veryfast:crf=20";
    kvxvideo::VideoWriter writer;
    bool ok = writer.open(file, kWidth, kHeight, options);
    for (int frame = 0; ok && frame < kFrames; ++frame)
      ok = writer.writeFrame(scene.data() + frame * 2 * 3, (kWidth + margin) * 3);
    if (!writer.finish() || !ok) std::fprintf(stderr, "could not encode %s\n", file.c_str());
    return file;
  }();
  return path;
}

void BM_ReadVideoSequential(benchmark::State& state) {
  std::vector<uint8_t> record(kVideoInfoSize);
  std::memcpy(record.data() + kVideoInfoPath, clipPath().c_str(), clipPath().size() + 1);
  qVideoGetFileInfo(record.data());
  uint32_t frames = 0;
  std::memcpy(&frames, record.data() + kVideoInfoFrameCount, 4);
  BITMAPINFOHEADER request{};
  request.biSize = sizeof request;
  request.biBitCount = 24;
  uint32_t reader = 0;
  qVideoReadVideoBegin(record.data(), nullptr, &reader, &request);
  if (frames == 0 || reader == 0) state.SkipWithError("the clip does not open");
  uint32_t number = 0;
  {
    WallClock clock("read", state);
    for (auto _ : state) {
      BITMAPINFOHEADER* frame = nullptr;
      // Looping as a playing layer does: one seek back per pass, every other read sequential.
      if (++number == frames) number = 1;
      qVideoReadVideo(record.data(), number, &frame, nullptr, reader);
      if (!frame) state.SkipWithError("no frame");
      benchmark::DoNotOptimize(frame);
    }
  }
  qVideoReadVideoEnd(record.data(), reader);
  qVideoFreeFileInfo(record.data());
}
BENCHMARK(BM_ReadVideoSequential)->UseRealTime()->Iterations(4 * (kFrames - 1));

// The same file through libavcodec alone, with the same decoder threading.
void BM_DecodeOnly(benchmark::State& state) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, clipPath().c_str(), nullptr, nullptr) < 0 ||
      avformat_find_stream_info(input, nullptr) < 0) {
    state.SkipWithError("the clip does not open");
    return;
  }
  const AVCodec* codec = nullptr;
  const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(decoder, input->streams[index]->codecpar);
  decoder->thread_count = 0;
  avcodec_open2(decoder, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto nextFrame = [&] {
    for (;;) {
      const int result = avcodec_receive_frame(decoder, frame);
      if (result == 0) return true;
      if (result == AVERROR_EOF) {
        // Loop the clip, as the sequential read does.
        av_seek_frame(input, index, 0, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(decoder);
        continue;
      }
      if (av_read_frame(input, packet) < 0) {
        avcodec_send_packet(decoder, nullptr);
        continue;
      }
      if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
      av_packet_unref(packet);
    }
  };
  {
    WallClock clock("decode", state);
    for (auto _ : state) benchmark::DoNotOptimize(nextFrame());
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&input);
}
BENCHMARK(BM_DecodeOnly)->UseRealTime()->Iterations(4 * (kFrames - 1));

// What the video layer does with a frame: every row, bottom-up bitmap to top-down packed layer.
void BM_RowCopy(benchmark::State& state) {
  const int rowBytes = (kWidth * 3 + 3) / 4 * 4;
  const std::vector<uint8_t> bitmap(static_cast<size_t>(rowBytes) * kHeight, 7);
  std::vector<uint8_t> layer(static_cast<size_t>(kWidth) * 3 * kHeight);
  WallClock clock("rowcopy", state);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(&layer[static_cast<size_t>(y) * kWidth * 3],
                  &bitmap[static_cast<size_t>(kHeight - 1 - y) * rowBytes], kWidth * 3);
    benchmark::DoNotOptimize(layer.data());
  }
}
BENCHMARK(BM_RowCopy)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  kvxbench::runBenchmarks(argc, argv);
  const double read = wallSeconds["read"], decode = wallSeconds["decode"];
  const double rowCopy = wallSeconds["rowcopy"];
  kvxbench::printFigure("video_read_1080p_ms_per_frame", read * 1e3);
  kvxbench::printFigure("video_decode_1080p_ms_per_frame", decode * 1e3);
  kvxbench::printFigure("video_rowcopy_1080p_ms_per_frame", rowCopy * 1e3);
  if (decode > 0) kvxbench::printFigure("video_read_vs_decode_ratio", read / decode);
  std::filesystem::remove(clipFile());
  return 0;
}
