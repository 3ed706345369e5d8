#pragma once
// Runs the kvxtheme element in a pipeline of this process: frames pushed through appsrc, results
// pulled from appsink. The build tree's plug-in is found through GST_PLUGIN_PATH.
#include <gst/gst.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kvxtest {

// Sets up GStreamer for the tests once (plug-in path, own registry).
void initGStreamer();

struct PipelineRun {
  std::vector<Picture> frames;  // packed BGR
  std::string error;            // the first error on the bus, empty when none
  std::vector<std::string> warnings;
};

struct PipelineSetup {
  // The element under test; videoconvert brings it the format it takes.
  std::string element = "kvxtheme";
  // The appsrc caps; BGR of the frames' size at 25 frames a second by default.
  std::string caps;
  // Element properties as gst-launch writes them: "theme=... title=...".
  std::string properties;
  // Called in the streaming thread before the element sees frame `index`.
  std::function<void(GstElement* element, int index)> beforeFrame;
  // How often the same pipeline plays the frames, set to NULL in between.
  int passes = 1;
};

// Pushes `frames` (packed BGR, timestamps index / 25 s) through the element between appsrc and
// appsink, `setup.passes` times; the frames of every pass follow each other in the result.
PipelineRun runPipeline(const PipelineSetup& setup, const std::vector<Picture>& frames);

// `frames` of a moving pattern, packed BGR.
std::vector<Picture> movingFrames(int count, int width, int height);

}  // namespace kvxtest
