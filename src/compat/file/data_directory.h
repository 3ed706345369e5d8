#pragma once
// The data directory, where the installation keeps themes and the project library: the
// KVXTHEME_DATA_DIR environment variable, else <prefix>/share/kvxtheme/ beside the library.
#include <string>

namespace kvx {

// Always ends with a slash.
std::string dataDirectory();

}  // namespace kvx
