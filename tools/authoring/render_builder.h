#pragma once
// Text and path objects of a theme: the render object made from their settings, its serialized
// stream, the component record that travels beside it, and its rendering as stored picture.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "authoring_api.h"
#include "kvxtheme/renderlib.h"
#include "theme_model.h"

namespace kvxauthor {

// Owns a render object handle.
class RenderObjectHandle {
 public:
  explicit RenderObjectHandle(RenderHandle handle = 0) : handle_(handle) {}
  ~RenderObjectHandle();
  RenderObjectHandle(const RenderObjectHandle&) = delete;
  RenderObjectHandle& operator=(const RenderObjectHandle&) = delete;
  RenderHandle get() const { return handle_; }
  RenderHandle release() { return std::exchange(handle_, 0); }

 private:
  RenderHandle handle_;
};

constexpr size_t kComponentRecordSize = 160;

// The render object for a text or path object's settings; 0 when the library refuses them.
RenderHandle createRenderObject(const ObjectSpec& object, std::string* error);

// "ComponentObjectStream": the 160-byte record, followed by the flattened vector path if any.
// `bounds` is the object's rectangle on the page (left, top, right, bottom).
std::vector<uint8_t> componentStream(const ComponentSpec& component, int32_t fontSize,
                                     const int32_t (&bounds)[4]);

// Gives the render object the component settings as a theme loader does when it reads them.
bool applyComponent(RenderHandle object, const ComponentSpec& component, std::string* error);

// The rendering with its transparent margins cut away: R, G, B rows and an 8-bit mask.
struct Rendering {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> mask;
};
KVX_AUTHORING_API bool renderObject(RenderHandle object, Rendering* rendering, std::string* error);

}  // namespace kvxauthor
