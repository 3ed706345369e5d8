#include "kvxtheme_element.h"

#include <atomic>
#include <string>

#include "kvxtheme/caption_keys.h"
#include "theme_stream.h"

GST_DEBUG_CATEGORY_STATIC(gst_kvx_theme_debug);
#define GST_CAT_DEFAULT gst_kvx_theme_debug

struct _GstKvxTheme {
  GstVideoFilter parent;
  kvxgst::ThemeStream* stream;
  std::atomic<int> fieldOrder;
  // Frames without a usable time or rate are counted instead.
  int64_t nextIndex;
};

namespace {

enum Property {
  kPropertyZero,
  kPropertyTheme,
  kPropertyTitle,
  kPropertyDescription,
  kPropertyDate,
  kPropertyFileName,
  kPropertyFieldOrder,
};

kvxgst::Caption captionOf(guint property) {
  return static_cast<kvxgst::Caption>(property - kPropertyTitle);
}

// The field order of one frame: the property's, or with auto the caps' and the buffer's flags.
kvxhost::FieldOrder frameFieldOrder(int setting, const GstVideoInfo* info, GstBuffer* buffer) {
  switch (setting) {
    case GST_KVX_THEME_FIELD_ORDER_PROGRESSIVE:
      return kvxhost::FieldOrder::Progressive;
    case GST_KVX_THEME_FIELD_ORDER_TFF:
      return kvxhost::FieldOrder::TopFieldFirst;
    case GST_KVX_THEME_FIELD_ORDER_BFF:
      return kvxhost::FieldOrder::BottomFieldFirst;
  }
  const GstVideoInterlaceMode mode = GST_VIDEO_INFO_INTERLACE_MODE(info);
  if (mode == GST_VIDEO_INTERLACE_MODE_PROGRESSIVE) return kvxhost::FieldOrder::Progressive;
  if (mode == GST_VIDEO_INTERLACE_MODE_MIXED &&
      !GST_BUFFER_FLAG_IS_SET(buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED))
    return kvxhost::FieldOrder::Progressive;
  switch (GST_VIDEO_INFO_FIELD_ORDER(info)) {
    case GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST:
      return kvxhost::FieldOrder::TopFieldFirst;
    case GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST:
      return kvxhost::FieldOrder::BottomFieldFirst;
    default:
      return GST_BUFFER_FLAG_IS_SET(buffer, GST_VIDEO_BUFFER_FLAG_TFF)
                 ? kvxhost::FieldOrder::TopFieldFirst
                 : kvxhost::FieldOrder::BottomFieldFirst;
  }
}

}  // namespace

G_DEFINE_TYPE(GstKvxTheme, gst_kvx_theme, GST_TYPE_VIDEO_FILTER)

GType gst_kvx_theme_field_order_get_type(void) {
  static GType type = 0;
  static const GEnumValue kValues[] = {
      {GST_KVX_THEME_FIELD_ORDER_AUTO, "As the caps and buffers say", "auto"},
      {GST_KVX_THEME_FIELD_ORDER_PROGRESSIVE, "Whole frames", "progressive"},
      {GST_KVX_THEME_FIELD_ORDER_TFF, "Two fields, top field first", "tff"},
      {GST_KVX_THEME_FIELD_ORDER_BFF, "Two fields, bottom field first", "bff"},
      {0, nullptr, nullptr},
  };
  if (g_once_init_enter(&type))
    g_once_init_leave(&type, g_enum_register_static("GstKvxThemeFieldOrder", kValues));
  return type;
}

static void gst_kvx_theme_set_property(GObject* object, guint property, const GValue* value,
                                       GParamSpec* definition) {
  GstKvxTheme* self = GST_KVX_THEME(object);
  const gchar* text = nullptr;
  switch (property) {
    case kPropertyTheme:
      text = g_value_get_string(value);
      self->stream->setTheme(text ? text : "");
      break;
    case kPropertyTitle:
    case kPropertyDescription:
    case kPropertyDate:
    case kPropertyFileName:
      text = g_value_get_string(value);
      self->stream->setCaption(captionOf(property), text ? text : "");
      break;
    case kPropertyFieldOrder:
      self->fieldOrder = g_value_get_enum(value);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, property, definition);
  }
}

static void gst_kvx_theme_get_property(GObject* object, guint property, GValue* value,
                                       GParamSpec* definition) {
  GstKvxTheme* self = GST_KVX_THEME(object);
  switch (property) {
    case kPropertyTheme:
      g_value_set_string(value, self->stream->theme().c_str());
      break;
    case kPropertyTitle:
    case kPropertyDescription:
    case kPropertyDate:
    case kPropertyFileName:
      g_value_set_string(value, self->stream->caption(captionOf(property)).c_str());
      break;
    case kPropertyFieldOrder:
      g_value_set_enum(value, self->fieldOrder);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID(object, property, definition);
  }
}

static gboolean gst_kvx_theme_start(GstBaseTransform* transform) {
  GstKvxTheme* self = GST_KVX_THEME(transform);
  self->nextIndex = 0;
  // A wrong path is told before the first frame rather than after negotiation.
  if (std::string problem = self->stream->themeProblem(); !problem.empty()) {
    GST_ELEMENT_ERROR(
        self, RESOURCE, NOT_FOUND,
        ("Could not use theme file \"%s\": %s.", self->stream->theme().c_str(), problem.c_str()),
        (nullptr));
    return FALSE;
  }
  return TRUE;
}

static gboolean gst_kvx_theme_stop(GstBaseTransform* transform) {
  GST_KVX_THEME(transform)->stream->stop();
  return TRUE;
}

static gboolean gst_kvx_theme_set_info(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in, GstCaps*,
                                       GstVideoInfo*) {
  GstKvxTheme* self = GST_KVX_THEME(filter);
  self->stream->configure(GST_VIDEO_INFO_WIDTH(in), GST_VIDEO_INFO_HEIGHT(in));
  return TRUE;
}

// The frame's index from its running time and the negotiated rate, so that a seek or a pipeline
// that starts late still shows the theme's video at the right frame.
static int64_t frameIndex(GstKvxTheme* self, GstVideoFrame* frame) {
  GstBaseTransform* transform = GST_BASE_TRANSFORM(self);
  const GstVideoInfo& info = frame->info;
  const GstClockTime time = gst_segment_to_running_time(&transform->segment, GST_FORMAT_TIME,
                                                        GST_BUFFER_PTS(frame->buffer));
  int64_t index = self->nextIndex;
  if (GST_CLOCK_TIME_IS_VALID(time) && GST_VIDEO_INFO_FPS_N(&info) > 0 &&
      GST_VIDEO_INFO_FPS_D(&info) > 0)
    index = static_cast<int64_t>(gst_util_uint64_scale_round(
        time, GST_VIDEO_INFO_FPS_N(&info), GST_SECOND * GST_VIDEO_INFO_FPS_D(&info)));
  self->nextIndex = index + 1;
  return index;
}

static GstFlowReturn gst_kvx_theme_transform_frame(GstVideoFilter* filter, GstVideoFrame* in,
                                                   GstVideoFrame* out) {
  GstKvxTheme* self = GST_KVX_THEME(filter);
  const int64_t index = frameIndex(self, in);
  const kvxhost::FieldOrder order = frameFieldOrder(self->fieldOrder, &in->info, in->buffer);
  std::string error, notice;
  bool drawn = self->stream->render(index, order,
                                    static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(in, 0)),
                                    GST_VIDEO_FRAME_PLANE_STRIDE(in, 0),
                                    static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(out, 0)),
                                    GST_VIDEO_FRAME_PLANE_STRIDE(out, 0), &error, &notice);
  if (!notice.empty())
    GST_ELEMENT_WARNING(self, RESOURCE, NOT_FOUND,
                        ("Could not use theme file %s; the previous theme stays.", notice.c_str()),
                        (nullptr));
  if (!drawn && !error.empty()) {
    GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Could not use theme: %s.", error.c_str()),
                      (nullptr));
    return GST_FLOW_ERROR;
  }
  if (!drawn)
    GST_ELEMENT_WARNING(self, RESOURCE, FAILED,
                        ("Frame %" G_GINT64_FORMAT
                         " could not be composed in full (not enough memory for this theme at "
                         "this size?); it passes through unchanged.",
                         index),
                        (nullptr));
  return GST_FLOW_OK;
}

static void gst_kvx_theme_finalize(GObject* object) {
  delete GST_KVX_THEME(object)->stream;
  G_OBJECT_CLASS(gst_kvx_theme_parent_class)->finalize(object);
}

static void gst_kvx_theme_init(GstKvxTheme* self) {
  self->stream = new kvxgst::ThemeStream();
  new (&self->fieldOrder) std::atomic<int>(GST_KVX_THEME_FIELD_ORDER_AUTO);
  self->nextIndex = 0;
}

static void gst_kvx_theme_class_init(GstKvxThemeClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  GstBaseTransformClass* transform = GST_BASE_TRANSFORM_CLASS(klass);
  GstVideoFilterClass* filter = GST_VIDEO_FILTER_CLASS(klass);

  object->set_property = gst_kvx_theme_set_property;
  object->get_property = gst_kvx_theme_get_property;
  object->finalize = gst_kvx_theme_finalize;

  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_MUTABLE_PLAYING);
  g_object_class_install_property(
      object, kPropertyTheme,
      g_param_spec_string("theme", "Theme",
                          "Path of the theme file (.kvx); empty for the default page", "", flags));
  const struct {
    Property id;
    const char* nick;
    const char* what;
  } captions[kvxtheme::kCaptionKeyCount] = {
      {kPropertyTitle, "Title", "Slide-show title"},
      {kPropertyDescription, "Slide description", "The slide's description"},
      {kPropertyDate, "Date", "Date taken"},
      {kPropertyFileName, "File name", "File name"},
  };
  // Class data: the strings live as long as the type does.
  static std::string blurbs[kvxtheme::kCaptionKeyCount];
  for (int caption = 0; caption < kvxtheme::kCaptionKeyCount; ++caption) {
    const auto& key = kvxtheme::kCaptionKeys[caption];
    blurbs[caption] = std::string(captions[caption].what) + " (text key " + key.key + ")";
    g_object_class_install_property(
        object, captions[caption].id,
        g_param_spec_string(key.name, captions[caption].nick, blurbs[caption].c_str(), "", flags));
  }
  g_object_class_install_property(
      object, kPropertyFieldOrder,
      g_param_spec_enum("field-order", "Field order",
                        "Compose whole frames or two fields; auto follows the caps' interlace-mode "
                        "and field-order",
                        GST_TYPE_KVX_THEME_FIELD_ORDER, GST_KVX_THEME_FIELD_ORDER_AUTO, flags));

  gst_element_class_set_static_metadata(
      element, "KVX theme", "Filter/Effect/Video",
      "Draws a KVX theme (or the default page) around every frame", "kvxtheme");
  // Packed BGR is the engine's own layout; videoconvert brings every other one.
  GstCaps* caps = gst_caps_from_string(GST_VIDEO_CAPS_MAKE("BGR"));
  gst_element_class_add_pad_template(
      element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_element_class_add_pad_template(
      element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);

  transform->start = gst_kvx_theme_start;
  transform->stop = gst_kvx_theme_stop;
  filter->set_info = gst_kvx_theme_set_info;
  filter->transform_frame = gst_kvx_theme_transform_frame;
  gst_type_mark_as_plugin_api(GST_TYPE_KVX_THEME_FIELD_ORDER, static_cast<GstPluginAPIFlags>(0));
  GST_DEBUG_CATEGORY_INIT(gst_kvx_theme_debug, "kvxtheme", 0, "KVX theme filter");
}

static gboolean plugin_init(GstPlugin* plugin) {
  return gst_element_register(plugin, "kvxtheme", GST_RANK_NONE, GST_TYPE_KVX_THEME);
}

#define PACKAGE "kvxtheme"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, kvxtheme,
                  "Draws KVX themes around video frames", plugin_init, KVX_VERSION, "LGPL",
                  "kvxtheme", "kvxtheme")
