#include "host/reference_host.h"

#include <cstring>

#include "kvxtheme/commonlib.h"

namespace kvxhost {
std::string themeLoadFailure() {
  char detail[256] = {};
  if (c32GetDLLErrorInfo(detail, nullptr, nullptr, nullptr, nullptr, nullptr) != kErrorOutOfMemory)
    return {};
  return detail[0] ? detail : "there is not enough memory to load the theme";
}

ReferenceHost::ReferenceHost() {
  record_.options = &options_;
  options_.hostQuery = &ReferenceHost::hostQuery;
  options_.hostQueryContext = this;
}

ReferenceHost::~ReferenceHost() {
  if (running_) end();
}

bool ReferenceHost::setThemeName(const std::string& name) {
  size_t n = std::min(name.size(), sizeof(options_.themeName) - 1);
  std::memcpy(options_.themeName, name.data(), n);
  options_.themeName[n] = '\0';
  return n == name.size();
}

int ReferenceHost::hostQuery(void* context, GUID iid, void** iface) {
  auto* host = static_cast<ReferenceHost*>(context);
  if (!host || !iface) return 0;
  if (IsEqualGUID(iid, IID_IEffectSink)) {
    host->queries_.push_back("sink");
    *iface = static_cast<IEffectSink*>(host);
  } else if (IsEqualGUID(iid, IID_IThemePathProvider)) {
    host->queries_.push_back("path");
    *iface = static_cast<IThemePathProvider*>(host);
  } else if (IsEqualGUID(iid, IID_ITextProvider)) {
    ++host->textQueries_;
    *iface = host->textSource_ ? static_cast<ITextProvider*>(host) : nullptr;
  } else {
    return 0;
  }
  return *iface ? 1 : 0;
}

int ReferenceHost::AttachEffect(CThemeEffectBase* effect) {
  attached_ = effect;
  return 1;
}

int ReferenceHost::GetThemePath(void*, const char*, std::string* path) {
  *path = themePath_;
  return 1;
}

int ReferenceHost::GetFieldText(int frameIndex, const char* key, std::string* text, int* found) {
  bool exists = textSource_ && textSource_(frameIndex, key, text);
  *found = exists ? 1 : 0;
  return exists ? 1 : 0;
}

int ReferenceHost::begin(int width, int height, FieldOrder order) {
  if (width <= 0 || height <= 0) return 0;
  if (order != FieldOrder::Progressive && height % 2 != 0) return 0;
  queries_.clear();
  width_ = width;
  height_ = height;
  order_ = order;
  record_.interlaced = order == FieldOrder::Progressive ? 0 : 1;
  int rows = record_.interlaced ? height / 2 : height;
  sourceRows_.assign(rows, nullptr);
  destinationRows_.assign(rows, nullptr);
  c32ClearDLLErrInfo();
  int result =
      effect_.BeginKVXEffect(sourceRows_.data(), destinationRows_.data(), rows, width, &record_);
  running_ = result != 0;
  loadFailure_ = themeLoadFailure();
  return result;
}

int ReferenceHost::callField(uint32_t counter, const uint8_t* source, size_t sourceStride,
                             uint8_t* destination, size_t destinationStride, int parity) {
  int step = record_.interlaced ? 2 : 1;
  for (size_t i = 0; i < sourceRows_.size(); ++i) {
    size_t line = i * step + parity;
    sourceRows_[i] = const_cast<uint8_t*>(source + line * sourceStride);
    destinationRows_[i] = destination + line * destinationStride;
  }
  record_.frameCounter = counter;
  return effect_.DoKVXEffect(sourceRows_.data(), destinationRows_.data(),
                             static_cast<int>(sourceRows_.size()), width_, &record_);
}

int ReferenceHost::renderFrame(int frameIndex, const uint8_t* source, size_t sourceStride,
                               uint8_t* destination, size_t destinationStride) {
  if (!running_ || !source || !destination || frameIndex < 0) return 0;
  const uint32_t frame = static_cast<uint32_t>(frameIndex);
  const uint32_t incompleteBefore = kvxIncompleteFrames(effect_);
  int result = 0;
  switch (order_) {
    case FieldOrder::Progressive:
      result = callField(frame, source, sourceStride, destination, destinationStride, 0);
      break;
    case FieldOrder::TopFieldFirst:
      // Odd counters carry the even lines, even counters the odd lines.
      result = callField(2 * frame + 1, source, sourceStride, destination, destinationStride, 0) &
               callField(2 * frame, source, sourceStride, destination, destinationStride, 1);
      break;
    case FieldOrder::BottomFieldFirst:
      result = callField(2 * frame, source, sourceStride, destination, destinationStride, 1) &
               callField(2 * frame + 1, source, sourceStride, destination, destinationStride, 0);
      break;
  }
  return kvxIncompleteFrames(effect_) == incompleteBefore ? result : 0;
}

int ReferenceHost::renderOverlay(int frameIndex, uint8_t* bgra, size_t stride) {
  if (!running_ || !bgra || frameIndex < 0) return 0;
  overlayRows_.resize(height_);
  for (int y = 0; y < height_; ++y) overlayRows_[y] = bgra + y * stride;
  return kvxComposeOverlay(effect_, frameIndex, overlayRows_.data(), height_, width_, this);
}

int ReferenceHost::end() {
  running_ = false;
  return effect_.EndKVXEffect(sourceRows_.data(), destinationRows_.data(),
                              static_cast<int>(sourceRows_.size()), width_, &record_);
}

}  // namespace kvxhost
