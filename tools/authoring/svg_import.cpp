#include "svg_import.h"

namespace kvxauthor {

bool importSvgText(const std::string&, const std::filesystem::path&, const SvgImportOptions&,
                   ThemeSpec*, std::vector<std::string>*, std::string* error) {
  *error = "SVG designs are not read yet";
  return false;
}

bool importSvgDesign(const std::filesystem::path&, const SvgImportOptions& options,
                     ThemeSpec* model, std::vector<std::string>* notes, std::string* error) {
  return importSvgText({}, {}, options, model, notes, error);
}

std::vector<std::filesystem::path> svgLinkedFiles(const std::filesystem::path&) { return {}; }

}  // namespace kvxauthor
