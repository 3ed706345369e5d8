#include "frame_host.h"

#include <dlfcn.h>

namespace kvxfrei0r {

FrameHost frameHostOfModule(std::string_view path) {
  std::string_view name = path.substr(path.find_last_of('/') + 1);
  auto startsWith = [&](std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
  };
  // A statically linked ffmpeg calls from its own program.
  if (startsWith("libavfilter.so") || name == "ffmpeg" || name == "ffplay")
    return FrameHost::Libavfilter;
  if (startsWith("libmltfrei0r")) return FrameHost::Mlt;
  if (startsWith("libgstfrei0r")) return FrameHost::GStreamerBridge;
  return FrameHost::Unknown;
}

FrameHost frameHostOfCaller(const void* returnAddress) {
  Dl_info info{};
  if (!returnAddress || !dladdr(returnAddress, &info) || !info.dli_fname) return FrameHost::Unknown;
  return frameHostOfModule(info.dli_fname);
}

TimeUnit timeUnitOf(FrameHost host) {
  return host == FrameHost::Libavfilter ? TimeUnit::Milliseconds : TimeUnit::Seconds;
}

bool StringPassing::byPointer(FrameHost host, int index) {
  if (host != FrameHost::GStreamerBridge) return true;
  if (next_ >= 0 && index == next_) {
    ++next_;
    return true;
  }
  next_ = -1;
  return false;
}

}  // namespace kvxfrei0r
