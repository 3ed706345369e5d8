#include "design_file.h"

#include <algorithm>
#include <cctype>

#include "svg_import.h"
#include "theme_json.h"
#include "theme_packer.h"

namespace kvxauthor {

namespace {

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool loadDesign(const std::filesystem::path& design, const DesignOptions& options, ThemeSpec* model,
                std::vector<std::string>* notes, std::string* error) {
  const std::optional<DesignKind> kind = designKindOf(design);
  if (kind == DesignKind::Kvx) {
    *error = "is a theme file already";
    return false;
  }
  if (kind == DesignKind::Svg) {
    SvgImportOptions svgOptions;
    svgOptions.pageWidth = options.pageWidth;
    svgOptions.pageHeight = options.pageHeight;
    return importSvgDesign(design, svgOptions, model, notes, error);
  }
  // A description may carry any name: what is not a drawing is read as JSON.
  if (options.pageWidth > 0 || options.pageHeight > 0) {
    *error = "a page size is chosen for SVG designs only; a description gives its own page";
    return false;
  }
  return loadThemeJson(design, model, error);
}

}  // namespace

std::optional<DesignKind> designKindOf(const std::filesystem::path& design) {
  const std::string extension = lowerCase(design.extension().string());
  if (extension == ".kvx") return DesignKind::Kvx;
  if (extension == ".json") return DesignKind::Json;
  if (extension == ".svg") return DesignKind::Svg;
  return std::nullopt;
}

bool packDesign(const std::filesystem::path& design, const std::filesystem::path& output,
                const DesignOptions& options, std::vector<std::string>* notes, std::string* error) {
  ThemeSpec model;
  if (!loadDesign(design, options, &model, notes, error)) return false;
  return packTheme(model, output.string(), error);
}

std::vector<std::filesystem::path> designInputs(const std::filesystem::path& design) {
  const std::optional<DesignKind> kind = designKindOf(design);
  if (kind == DesignKind::Svg) return svgLinkedFiles(design);
  std::vector<std::filesystem::path> files;
  ThemeSpec model;
  std::string error;
  if (kind != DesignKind::Json || !loadThemeJson(design, &model, &error)) return files;
  for (const ObjectSpec& object : model.objects) {
    if (object.type != ObjectType::Picture) continue;
    if (object.picture.source == PictureSpec::Source::File) files.push_back(object.picture.file);
    if (object.picture.mask == PictureSpec::Mask::File) files.push_back(object.picture.maskFile);
  }
  return files;
}

}  // namespace kvxauthor
