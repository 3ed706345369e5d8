#include "effect.h"

#include <limits>

#include "frame_array.h"
#include "kvxtheme/caption_keys.h"

namespace kvxpy {
namespace {

kvxhost::FieldOrder parseFieldOrder(const std::string& text) {
  if (text == "progressive") return kvxhost::FieldOrder::Progressive;
  if (text == "tff") return kvxhost::FieldOrder::TopFieldFirst;
  if (text == "bff") return kvxhost::FieldOrder::BottomFieldFirst;
  throw py::value_error("field_order: expected \"progressive\", \"tff\" or \"bff\", got \"" + text +
                        "\"");
}

std::string effectKey(const std::string& key) {
  // Python spells the hosts' names with underscores.
  for (const auto& caption : kvxtheme::kCaptionKeys) {
    std::string name = caption.name;
    std::replace(name.begin(), name.end(), '-', '_');
    if (key == name) return caption.key;
  }
  return key;
}

// A str as UTF-8; a lone surrogate, which UTF-8 cannot carry, is a ValueError naming the
// argument (UnicodeEncodeError is one).
std::string utf8(const py::handle& text, const std::string& argument) {
  try {
    return text.attr("encode")("utf-8").cast<std::string>();
  } catch (py::error_already_set& error) {
    if (!error.matches(PyExc_UnicodeError)) throw;
    throw py::value_error(argument + ": " + py::str(error.value()).cast<std::string>());
  }
}

// The tool's limits on a frame's size.
constexpr int kLargestSide = 8192;

}  // namespace

Texts textsFrom(const py::object& mapping) {
  Texts texts;
  if (mapping.is_none()) return texts;
  if (!py::isinstance<py::dict>(mapping))
    throw py::value_error("texts: expected a dict of str to str");
  for (auto [key, value] : mapping.cast<py::dict>()) {
    if (!py::isinstance<py::str>(key) || !py::isinstance<py::str>(value))
      throw py::value_error("texts: expected a dict of str to str");
    texts[effectKey(utf8(key, "texts key"))] =
        utf8(value, "texts[" + py::repr(key).cast<std::string>() + "]");
  }
  return texts;
}

Effect::Effect(const std::string& themePath, int width, int height, const std::string& fieldOrder,
               Texts texts)
    : themePath_(themePath),
      width_(width),
      height_(height),
      order_(parseFieldOrder(fieldOrder)),
      clipTexts_(std::move(texts)) {
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide)
    throw py::value_error("size: " + std::to_string(width) + " × " + std::to_string(height) +
                          " is outside 1 × 1 … 8192 × 8192");
  if (order_ != kvxhost::FieldOrder::Progressive && height % 2 != 0)
    throw py::value_error("field_order: fields need an even height, not " + std::to_string(height));
  host_.setThemePath(themePath_);
  host_.setTextSource([this](int, const std::string& key, std::string* text) {
    auto found = frameTexts_.find(key);
    if (found == frameTexts_.end() || found->second.empty()) return false;
    *text = found->second;
    return true;
  });
}

namespace {

// The effect's lock is never awaited with the GIL held: the thread that holds the lock takes
// the GIL back after its frame, and would wait for ever on a thread that waits here with it.
std::unique_lock<std::mutex> lockReleasingGil(std::mutex& lock) {
  std::unique_lock<std::mutex> guard(lock, std::try_to_lock);
  if (!guard.owns_lock()) {
    py::gil_scoped_release unlocked;
    guard.lock();
  }
  return guard;
}

}  // namespace

Effect::~Effect() {
  if (open_) host_.end();
}

std::string Effect::fieldOrder() const {
  switch (order_) {
    case kvxhost::FieldOrder::TopFieldFirst:
      return "tff";
    case kvxhost::FieldOrder::BottomFieldFirst:
      return "bff";
    default:
      return "progressive";
  }
}

void Effect::open() {
  const auto guard = lockReleasingGil(lock_);
  if (open_) return;
  const bool begun = host_.begin(width_, height_, order_) != 0;
  const std::string subject = themePath_.empty() ? "default page" : themePath_;
  if (!host_.loadFailure().empty()) {
    if (begun) host_.end();
    throw py::value_error(subject + ": " + host_.loadFailure());
  }
  if (!begun) throw py::value_error(subject + ": the effect refused to start the clip");
  open_ = true;
}

void Effect::close() {
  const auto guard = lockReleasingGil(lock_);
  if (open_) host_.end();
  open_ = false;
}

py::array Effect::render(const py::array& frame, long long index, const py::object& texts,
                         const py::object& out, bool rgb) {
  checkFrameArray(frame, width_, height_, "frame");
  if (index < 0 || index > std::numeric_limits<int>::max() / 2)
    throw py::value_error("index: " + std::to_string(index) + " is outside 0 … " +
                          std::to_string(std::numeric_limits<int>::max() / 2));
  Texts overrides = textsFrom(texts);
  py::array result = out.is_none() ? py::array(newFrame(width_, height_)) : out.cast<py::array>();
  if (!out.is_none()) {
    checkFrameArray(result, width_, height_, "out");
    if (!result.writeable()) throw py::value_error("out: the array is read-only");
  }
  // Packed arrays are read and written in place; anything else (other strides, RGB order, an
  // output overlapping the input) goes through the effect's own buffers.
  PackedView input = rgb ? PackedView{} : packedView(frame);
  PackedView output = rgb ? PackedView{} : packedView(result);
  const uint8_t* frameStart = static_cast<const uint8_t*>(frame.data());
  const uint8_t* resultStart = static_cast<const uint8_t*>(result.data());
  if (input.data && output.data && frameStart < resultStart + result.nbytes() &&
      resultStart < frameStart + frame.nbytes())
    input = {};
  const size_t packedStride = static_cast<size_t>(width_) * 3;
  py::array contiguousFrame;
  if (!input.data)
    contiguousFrame =
        py::array_t<uint8_t, py::array::c_style | py::array::forcecast>::ensure(frame);

  bool drawn;
  {
    const auto guard = lockReleasingGil(lock_);
    if (!open_)
      throw py::value_error("the effect is closed; use it in a with block or call open()");
    frameTexts_ = clipTexts_;
    for (const auto& [key, value] : overrides) frameTexts_[key] = value;
    if (!input.data) {
      source_.resize(packedStride * height_);
      copyPixels(static_cast<const uint8_t*>(contiguousFrame.data()), packedStride, source_.data(),
                 packedStride, width_, height_, rgb);
      input = {source_.data(), packedStride};
    }
    PackedView target = output;
    if (!target.data) {
      destination_.resize(packedStride * height_);
      target = {destination_.data(), packedStride};
    }
    {
      py::gil_scoped_release unlocked;
      drawn = host_.renderFrame(static_cast<int>(index), input.data, input.stride, target.data,
                                target.stride) != 0;
    }
    if (drawn && !output.data) {
      if (PackedView packedResult = packedView(result); packedResult.data) {
        copyPixels(destination_.data(), packedStride, packedResult.data, packedResult.stride,
                   width_, height_, rgb);
      } else {
        py::array_t<uint8_t> packed = newFrame(width_, height_);
        copyPixels(destination_.data(), packedStride, packed.mutable_data(), packedStride, width_,
                   height_, rgb);
        result.attr("__setitem__")(py::ellipsis(), packed);
      }
    }
  }
  if (!drawn) {
    const std::string message = "frame " + std::to_string(index) +
                                " could not be composed in full (not enough memory for this "
                                "theme at this size?)";
    PyErr_SetString(PyExc_MemoryError, message.c_str());
    throw py::error_already_set();
  }
  return result;
}

}  // namespace kvxpy
