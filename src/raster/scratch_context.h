#pragma once
// A Cairo context on a 1 x 1 surface, for measuring paths without drawing them.
#include <cairo.h>

class ScratchContext {
 public:
  ScratchContext() {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cr_ = cairo_create(surface_);
  }
  ~ScratchContext() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  ScratchContext(const ScratchContext&) = delete;
  ScratchContext& operator=(const ScratchContext&) = delete;

  bool valid() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }
  cairo_t* get() const { return cr_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};
