#pragma once
// Shared helpers for the tests: temporary folders, trace capture and PNG files.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kvxtest {

// A fresh folder under the system's temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Collects everything written with OutputDebugStringA while it lives.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  const std::string& text() const;

 private:
  std::shared_ptr<std::string> text_;
};

// A packed picture: 3 bytes (or 1, or 4) a pixel, rows without gaps.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<uint8_t> pixels;
  uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width * channels; }
  const uint8_t* row(int y) const {
    return pixels.data() + static_cast<size_t>(y) * width * channels;
  }
};

// PNG files in R, G, B (channel order as stored in `pixels`); read as R, G, B, A with 4 channels.
bool writePng(const std::string& path, const Picture& picture);
bool readPng(const std::string& path, Picture* picture, int channels = 3);

// Mean absolute difference per byte, and the largest one.
struct Difference {
  double mean = 0;
  int max = 0;
};
Difference compare(const Picture& a, const Picture& b);

// Where tests write pictures a person may look at: <build>/test-output/<name>.
std::string outputPath(const std::string& name);
// A file of the build tree (KVX_BUILD_DIR, else the tree the tests were built in).
std::string buildPath(const std::string& relative);
// A file of the source tree (KVX_SOURCE_DIR, else the tree the tests were built from).
std::string sourcePath(const std::string& relative);

}  // namespace kvxtest
