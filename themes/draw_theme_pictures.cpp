// Draws the pictures of the sample themes into a folder, so that the repository carries only
// their descriptions. Usage: kvx_draw_theme_pictures OUTPUT_FOLDER
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kPageWidth = 1280;
constexpr int kPageHeight = 720;
constexpr double kPi = 3.14159265358979323846;

struct Point {
  double x, y;
};

// Writes the surface; false with a message on failure.
bool save(cairo_surface_t* surface, const std::string& folder, const char* name) {
  const std::string path = folder + "/" + name;
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "kvx_draw_theme_pictures: %s: %s\n", path.c_str(),
                 cairo_status_to_string(status));
    return false;
  }
  return true;
}

void quadPath(cairo_t* cr, const Point (&quad)[4]) {
  cairo_move_to(cr, quad[0].x, quad[0].y);
  for (int i = 1; i < 4; ++i) cairo_line_to(cr, quad[i].x, quad[i].y);
  cairo_close_path(cr);
}

// The corners (top-left, top-right, bottom-right, bottom-left) that a 16:9 picture rotated by
// `degrees` about its top-left corner takes inside its bounding box scaled to width × height.
void rotatedQuad(double degrees, double width, double height, Point (&quad)[4]) {
  const double t = degrees * kPi / 180.0, w = 16.0, h = 9.0;
  const double boxW = w * std::cos(t) + h * std::sin(t), boxH = w * std::sin(t) + h * std::cos(t);
  const double sx = width / boxW, sy = height / boxH;
  const Point raw[4] = {{h * std::sin(t), 0},
                        {h * std::sin(t) + w * std::cos(t), w * std::sin(t)},
                        {w * std::cos(t), w * std::sin(t) + h * std::cos(t)},
                        {0, h * std::cos(t)}};
  for (int i = 0; i < 4; ++i) quad[i] = {raw[i].x * sx, raw[i].y * sy};
}

cairo_surface_t* page(cairo_t** cr, int width = kPageWidth, int height = kPageHeight) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  *cr = cairo_create(surface);
  return surface;
}

void linearBackground(cairo_t* cr, double r0, double g0, double b0, double r1, double g1,
                      double b1) {
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, kPageWidth, kPageHeight);
  cairo_pattern_add_color_stop_rgb(gradient, 0, r0, g0, b0);
  cairo_pattern_add_color_stop_rgb(gradient, 1, r1, g1, b1);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);
}

// Picture frame: a linen background, the placeholder's mask (the rotated picture's shape) and a
// gilt frame drawn around that shape at its place on the page.
bool drawPictureFrame(const std::string& folder) {
  constexpr double kX = 290, kY = 110, kW = 700, kH = 500, kAngle = 8;
  Point quad[4];
  rotatedQuad(kAngle, kW, kH, quad);

  cairo_t* cr;
  cairo_surface_t* surface = page(&cr);
  linearBackground(cr, 0.93, 0.89, 0.80, 0.78, 0.70, 0.58);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
  for (int x = 0; x < kPageWidth; x += 6) {
    cairo_rectangle(cr, x, 0, 2, kPageHeight);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  if (!save(surface, folder, "frame-background.png")) return false;

  surface = page(&cr, static_cast<int>(kW), static_cast<int>(kH));
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  quadPath(cr, quad);
  cairo_fill(cr);
  cairo_destroy(cr);
  if (!save(surface, folder, "frame-placeholder-mask.png")) return false;

  surface = page(&cr);
  cairo_translate(cr, kX, kY);
  cairo_pattern_t* gilt = cairo_pattern_create_linear(0, 0, kW, kH);
  cairo_pattern_add_color_stop_rgb(gilt, 0.0, 0.85, 0.67, 0.25);
  cairo_pattern_add_color_stop_rgb(gilt, 0.5, 1.0, 0.88, 0.55);
  cairo_pattern_add_color_stop_rgb(gilt, 1.0, 0.55, 0.38, 0.12);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
  cairo_set_line_width(cr, 44);
  cairo_save(cr);
  cairo_translate(cr, 12, 14);
  quadPath(cr, quad);
  cairo_stroke(cr);
  cairo_restore(cr);
  cairo_set_source(cr, gilt);
  cairo_set_line_width(cr, 40);
  quadPath(cr, quad);
  cairo_stroke(cr);
  cairo_set_source_rgba(cr, 0.35, 0.22, 0.05, 0.9);
  cairo_set_line_width(cr, 3);
  quadPath(cr, quad);
  cairo_stroke(cr);
  cairo_pattern_destroy(gilt);
  cairo_destroy(cr);
  return save(surface, folder, "frame-border.png");
}

// Perspective board: a dark studio wall with an easel board whose face is the quad the
// "holder_ref" object's corners describe (placeholder at 340, 120, 600 × 420).
bool drawPerspectiveBoard(const std::string& folder) {
  constexpr double kX = 340, kY = 120, kW = 600, kH = 420;
  const Point quad[4] = {{0, 40}, {600, 0}, {600, 420}, {0, 380}};
  cairo_t* cr;
  cairo_surface_t* surface = page(&cr);
  linearBackground(cr, 0.10, 0.11, 0.14, 0.25, 0.26, 0.30);
  cairo_translate(cr, kX, kY);
  cairo_set_source_rgb(cr, 0.30, 0.20, 0.12);
  cairo_set_line_width(cr, 28);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  quadPath(cr, quad);
  cairo_stroke(cr);
  cairo_move_to(cr, 150, 400);
  cairo_line_to(cr, 100, 600);
  cairo_move_to(cr, 450, 400);
  cairo_line_to(cr, 500, 600);
  cairo_stroke(cr);
  cairo_destroy(cr);
  if (!save(surface, folder, "holder-ref-board.png")) return false;

  surface = page(&cr, static_cast<int>(kW), static_cast<int>(kH));
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  quadPath(cr, quad);
  cairo_fill(cr);
  cairo_destroy(cr);
  return save(surface, folder, "holder-ref-mask.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kvx_draw_theme_pictures OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const bool drawn = drawPictureFrame(folder) && drawPerspectiveBoard(folder);
  return drawn ? 0 : 1;
}
