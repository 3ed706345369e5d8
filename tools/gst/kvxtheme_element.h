#pragma once
// The GStreamer element "kvxtheme": a video filter that draws a KVX theme around every frame.
#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

#define GST_TYPE_KVX_THEME (gst_kvx_theme_get_type())
G_DECLARE_FINAL_TYPE(GstKvxTheme, gst_kvx_theme, GST, KVX_THEME, GstVideoFilter)

// How the element composes frames: as the caps say (auto), or as set.
typedef enum {
  GST_KVX_THEME_FIELD_ORDER_AUTO,
  GST_KVX_THEME_FIELD_ORDER_PROGRESSIVE,
  GST_KVX_THEME_FIELD_ORDER_TFF,
  GST_KVX_THEME_FIELD_ORDER_BFF,
} GstKvxThemeFieldOrder;

#define GST_TYPE_KVX_THEME_FIELD_ORDER (gst_kvx_theme_field_order_get_type())
GType gst_kvx_theme_field_order_get_type(void);

G_END_DECLS
