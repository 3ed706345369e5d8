// Feeds arbitrary bytes as an SVG design to the importer: parsed with libxml2, its layers
// rendered by librsvg onto a small page, its texts lined up with the engine's, and the theme
// built in memory.

#include <string>
#include <vector>

#include "authoring/svg_import.h"
#include "authoring/theme_packer.h"
#include "kvxtheme/kvx_writer.h"

#define KVX_FUZZ_TARGET "svg_import_fuzz"
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxInputBytes = 64 << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return -1;
  const std::string text(reinterpret_cast<const char*>(data), size);
  // A small page keeps every layer's rendering cheap whatever size the drawing asks for.
  kvxauthor::SvgImportOptions options;
  options.pageWidth = 64;
  options.pageHeight = 48;
  kvxauthor::ThemeSpec model;
  std::vector<std::string> notes;
  std::string error;
  if (!kvxauthor::importSvgText(text, "/nonexistent", options, &model, &notes, &error)) return 0;
  kvx::KvxWriter writer;
  kvxauthor::buildTheme(model, &writer, &error);
  return 0;
}
