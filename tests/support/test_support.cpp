#include "support/test_support.h"

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "compat/win32/win32.h"

namespace kvxtest {

TempDir::TempDir() {
  std::random_device random;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("kvxtest-" + std::to_string(getpid()) + "-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TraceCapture::TraceCapture() : text_(std::make_shared<std::string>()) {
  auto text = text_;
  kvxSetTraceSink([text](const char* line) { *text += line; });
}

TraceCapture::~TraceCapture() {
  kvxSetTraceSink(nullptr);
}

const std::string& TraceCapture::text() const {
  return *text_;
}

bool writePng(const std::string& path, const Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = picture.width;
  image.height = picture.height;
  image.format = picture.channels == 1   ? PNG_FORMAT_GRAY
                 : picture.channels == 4 ? PNG_FORMAT_RGBA
                                         : PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, picture.pixels.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, Picture* picture, int channels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  picture->width = image.width;
  picture->height = image.height;
  picture->channels = channels == 4 ? 4 : 3;
  picture->pixels.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, picture->pixels.data(), 0, nullptr) != 0;
}

Difference compare(const Picture& a, const Picture& b) {
  Difference d;
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
    d.mean = 255;
    d.max = 255;
    return d;
  }
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    int diff = std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    sum += diff;
    if (diff > d.max) d.max = diff;
  }
  d.mean = sum / a.pixels.size();
  return d;
}

std::string buildPath(const std::string& relative) {
  const char* build = std::getenv("KVX_BUILD_DIR");
  return (std::filesystem::path(build ? build : KVX_DEFAULT_BUILD_DIR) / relative).string();
}

std::string outputPath(const std::string& name) {
  std::filesystem::path dir = buildPath("test-output");
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

std::string sourcePath(const std::string& relative) {
  const char* source = std::getenv("KVX_SOURCE_DIR");
  return (std::filesystem::path(source ? source : KVX_DEFAULT_SOURCE_DIR) / relative).string();
}

}  // namespace kvxtest
