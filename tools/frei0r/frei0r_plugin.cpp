// The frei0r entry points of kvxtheme.so. Nothing here keeps state outside an instance, and no
// exception leaves the plug-in.
extern "C" {
#include <frei0r.h>
}

#include <new>

#include "theme_filter.h"

using kvxfrei0r::frameHostOfCaller;
using kvxfrei0r::ThemeFilter;

namespace {

struct ParameterInfo {
  const char* name;
  int type;
  const char* explanation;
};

constexpr ParameterInfo kParameters[kvxfrei0r::kParameterCount] = {
    {"theme", F0R_PARAM_STRING, "Path of the theme file (.kvx); empty for the default page"},
    {"title", F0R_PARAM_STRING, "Slide-show title (text key SlideShowTitle)"},
    {"description", F0R_PARAM_STRING, "Description (text key Description)"},
    {"date", F0R_PARAM_STRING, "Date taken (text key DateTaken)"},
    {"file name", F0R_PARAM_STRING, "File name (text key FileName)"},
    {"frame rate", F0R_PARAM_STRING,
     "Frames per second of the clip (25, 29.97 or 30000/1001); empty to learn it from the host's "
     "time steps"},
    {"time unit", F0R_PARAM_STRING,
     "Unit of the host's time: auto (milliseconds under ffmpeg's libavfilter, seconds "
     "elsewhere), s or ms"},
    {"texts file", F0R_PARAM_STRING,
     "Subtitle file (.srt, .vtt, .ass, .ssa) whose cues give the texts key its text at the "
     "host's time, and nothing between cues; empty for none"},
    {"texts key", F0R_PARAM_STRING,
     "Text key the subtitles fill: SlideShowTitle (the default), Description, DateTaken, "
     "FileName or the name of a theme's text layer"},
};

ThemeFilter* filterOf(f0r_instance_t instance) {
  return static_cast<ThemeFilter*>(instance);
}

}  // namespace

extern "C" {

int f0r_init() {
  return 1;
}

void f0r_deinit() {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  info->name = "kvxtheme";
  info->author = "kvxtheme";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 0;
  info->minor_version = 1;
  info->num_params = kvxfrei0r::kParameterCount;
  info->explanation = "Draws a KVX theme (or the default page) around every frame";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
  if (index < 0 || index >= kvxfrei0r::kParameterCount) return;
  info->name = kParameters[index].name;
  info->type = kParameters[index].type;
  info->explanation = kParameters[index].explanation;
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    return ThemeFilter::create(width, height).release();
  } catch (...) {
    return nullptr;
  }
}

void f0r_destruct(f0r_instance_t instance) {
  delete filterOf(instance);
}

// The host is told from the library each call comes from, so these must not be inlined into a
// caller of our own.
__attribute__((noinline)) void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param,
                                                   int index) {
  if (!instance) return;
  try {
    filterOf(instance)->setParameter(frameHostOfCaller(__builtin_return_address(0)), index, param);
  } catch (...) {
  }
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance || !param || index < 0 || index >= kvxfrei0r::kParameterCount) return;
  *static_cast<f0r_param_string*>(param) = const_cast<char*>(filterOf(instance)->string(index));
}

__attribute__((noinline)) void f0r_update(f0r_instance_t instance, double time,
                                          const uint32_t* inframe, uint32_t* outframe) {
  if (!instance) return;
  try {
    ThemeFilter* filter = filterOf(instance);
    filter->setHost(frameHostOfCaller(__builtin_return_address(0)));
    filter->update(time, inframe, outframe);
  } catch (...) {
  }
}

}  // extern "C"
