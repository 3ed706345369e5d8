// A host written only against the public header and linked only to libkvxtheme.so: it begins a
// clip on the default page, renders frames of a gradient with a caption, ends the clip and
// checks that the effect drew the caption and kept the picture elsewhere. Exit status 0 on
// success.
#include <kvxtheme/kvxtheme.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Host : public IEffectSink, public IThemePathProvider, public ITextProvider {
 public:
  int AttachEffect(CThemeEffectBase* effect) override {
    attached = effect;
    return 1;
  }
  int GetThemePath(void*, const char*, std::string* path) override {
    *path = themePath;
    return 1;
  }
  int GetFieldText(int, const char* key, std::string* text, int* found) override {
    *found = std::strcmp(key, "SlideShowTitle") == 0;
    if (*found) *text = "Minimal host";
    return *found;
  }

  static int query(void* context, GUID iid, void** iface) {
    Host* host = static_cast<Host*>(context);
    if (IsEqualGUID(iid, IID_IEffectSink))
      *iface = static_cast<IEffectSink*>(host);
    else if (IsEqualGUID(iid, IID_IThemePathProvider))
      *iface = static_cast<IThemePathProvider*>(host);
    else if (IsEqualGUID(iid, IID_ITextProvider))
      *iface = static_cast<ITextProvider*>(host);
    else
      return 0;
    return 1;
  }

  CThemeEffectBase* attached = nullptr;
  std::string themePath;
};

int failWith(const char* message) {
  std::fprintf(stderr, "minimal host: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int width = 320;
  const int height = 240;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  Host host;
  if (argc > 1) host.themePath = argv[1];
  EffectOption options{};
  options.hostQuery = &Host::query;
  options.hostQueryContext = &host;
  DSADAPTRECEXT record{};
  record.options = &options;

  std::vector<unsigned char> source(rowBytes * height);
  std::vector<unsigned char> destination(rowBytes * height, 0);
  std::vector<unsigned char*> sourceRows(height);
  std::vector<unsigned char*> destinationRows(height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* pixel = &source[y * rowBytes + x * 3];
      pixel[0] = static_cast<unsigned char>(255 * x / width);
      pixel[1] = static_cast<unsigned char>(128 + 127 * y / height);
      pixel[2] = 220;
    }
    sourceRows[y] = &source[y * rowBytes];
    destinationRows[y] = &destination[y * rowBytes];
  }

  CThemeEffect effect;
  if (InitThemeEngine() != 1) return failWith("InitThemeEngine failed");
  if (effect.BeginKVXEffect(sourceRows.data(), destinationRows.data(), height, width, &record) != 1)
    return failWith("BeginKVXEffect failed");
  if (host.attached == nullptr) return failWith("the sink received no effect");
  for (uint32_t frame = 0; frame < 5; ++frame) {
    record.frameCounter = frame;
    if (effect.DoKVXEffect(sourceRows.data(), destinationRows.data(), height, width, &record) != 1)
      return failWith("DoKVXEffect failed");
  }
  if (effect.EndKVXEffect(sourceRows.data(), destinationRows.data(), height, width, &record) != 1)
    return failWith("EndKVXEffect failed");

  // The caption sits in the top-left corner of the default page; the rest shows the source.
  long captionDifference = 0;
  for (int y = 0; y < 20; ++y)
    for (size_t x = 0; x < 60 * 3; ++x)
      captionDifference += std::abs(destination[y * rowBytes + x] - source[y * rowBytes + x]);
  long pictureDifference = 0;
  for (int y = height / 2; y < height; ++y)
    for (size_t x = 0; x < rowBytes; ++x)
      pictureDifference += std::abs(destination[y * rowBytes + x] - source[y * rowBytes + x]);
  if (host.themePath.empty() && captionDifference < 60 * 20 * 10)
    return failWith("no caption was drawn");
  if (host.themePath.empty() && pictureDifference > static_cast<long>(rowBytes) * height / 2 * 3)
    return failWith("the picture was not kept below the caption");
  std::printf("minimal host: rendered 5 frames of %dx%d\n", width, height);
  return 0;
}
