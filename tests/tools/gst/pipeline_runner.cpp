#include "tools/gst/pipeline_runner.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <cstdlib>
#include <cstring>

namespace kvxtest {

void initGStreamer() {
  static const bool initialised = [] {
    setenv("GST_PLUGIN_PATH", KVX_GST_PLUGIN_DIR, 1);
    setenv("GST_REGISTRY", KVX_GST_REGISTRY, 1);
    setenv("FREI0R_PATH", KVX_FREI0R_DIR, 1);
    gst_init(nullptr, nullptr);
    return true;
  }();
  (void)initialised;
}

std::vector<Picture> movingFrames(int count, int width, int height) {
  std::vector<Picture> frames(count);
  for (int i = 0; i < count; ++i) {
    Picture& picture = frames[i];
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* pixel = picture.row(y) + x * 3;
        pixel[0] = static_cast<uint8_t>(x * 255 / width);
        pixel[1] = static_cast<uint8_t>((y + i * 7) * 3);
        pixel[2] = static_cast<uint8_t>(((x / 16 + y / 16 + i) % 2) * 200 + 30);
      }
  }
  return frames;
}

namespace {

struct ProbeContext {
  GstElement* element;
  const std::function<void(GstElement*, int)>* beforeFrame;
  int index = 0;
};

GstPadProbeReturn beforeElement(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* context = static_cast<ProbeContext*>(data);
  (*context->beforeFrame)(context->element, context->index++);
  return GST_PAD_PROBE_OK;
}

Picture pictureOf(GstSample* sample) {
  Picture picture;
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return picture;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
    return picture;
  picture.width = GST_VIDEO_INFO_WIDTH(&info);
  picture.height = GST_VIDEO_INFO_HEIGHT(&info);
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 3);
  const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(picture.row(y), data + static_cast<size_t>(y) * stride, picture.width * 3);
  gst_video_frame_unmap(&frame);
  return picture;
}

// Takes the errors and warnings posted so far; keeps the first error and every warning.
void collectErrors(GstElement* pipeline, PipelineRun* run) {
  GstBus* bus = gst_element_get_bus(pipeline);
  while (GstMessage* message = gst_bus_pop_filtered(
             bus, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING))) {
    GError* error = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
      gst_message_parse_error(message, &error, nullptr);
      if (run->error.empty() && error) run->error = error->message;
    } else {
      gst_message_parse_warning(message, &error, nullptr);
      if (error) run->warnings.push_back(error->message);
    }
    g_clear_error(&error);
    gst_message_unref(message);
  }
  gst_object_unref(bus);
}

}  // namespace

PipelineRun runPipeline(const PipelineSetup& setup, const std::vector<Picture>& frames) {
  initGStreamer();
  PipelineRun run;
  const int width = frames.empty() ? 16 : frames[0].width;
  const int height = frames.empty() ? 16 : frames[0].height;
  std::string caps = setup.caps.empty()
                         ? "video/x-raw,format=BGR,width=" + std::to_string(width) +
                               ",height=" + std::to_string(height) + ",framerate=25/1"
                         : setup.caps;
  std::string description =
      "appsrc name=source format=time caps=\"" + caps + "\" ! videoconvert ! " + setup.element +
      " name=theme " + setup.properties +
      " ! videoconvert ! video/x-raw,format=BGR ! appsink name=sink sync=false";
  GError* parseError = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &parseError);
  if (!pipeline || parseError) {
    run.error = parseError ? parseError->message : "pipeline could not be built";
    g_clear_error(&parseError);
    if (pipeline) gst_object_unref(pipeline);
    return run;
  }
  GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
  GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline), "theme");
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  ProbeContext context{element, &setup.beforeFrame};
  if (setup.beforeFrame) {
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, beforeElement, &context, nullptr);
    gst_object_unref(pad);
  }

  for (int pass = 0; pass < setup.passes && run.error.empty(); ++pass) {
    context.index = 0;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      collectErrors(pipeline, &run);
      if (run.error.empty()) run.error = "the pipeline did not start";
      gst_element_set_state(pipeline, GST_STATE_NULL);
      break;
    }
    for (size_t i = 0; i < frames.size(); ++i) {
      GstBuffer* buffer = gst_buffer_new_memdup(frames[i].pixels.data(), frames[i].pixels.size());
      GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, 25);
      GST_BUFFER_DURATION(buffer) = GST_SECOND / 25;
      if (gst_app_src_push_buffer(GST_APP_SRC(source), buffer) != GST_FLOW_OK) break;
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    // Until the end of the stream, an error, or a minute without any frame.
    for (int idle = 0; idle < 60 && run.error.empty();) {
      GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND);
      if (sample) {
        run.frames.push_back(pictureOf(sample));
        gst_sample_unref(sample);
        idle = 0;
        continue;
      }
      if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
      ++idle;
      collectErrors(pipeline, &run);
    }
    collectErrors(pipeline, &run);
    gst_element_set_state(pipeline, GST_STATE_NULL);
  }
  gst_object_unref(source);
  gst_object_unref(element);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return run;
}

}  // namespace kvxtest
