#pragma once
// Theme files opened by name, as the engine and wcsOpenFile open them: a relative name that is
// not found as given is looked for in the KVX directory, where the installation keeps themes.
#include <memory>
#include <string>

#include "kvxtheme/kvx_container.h"

namespace kvx {

void setKvxDirectory(const std::string& directory);

// Reads and parses a theme file; null when it cannot be read or is not a sound KVX file (the
// reason goes to the trace). *opened receives the path that was read.
std::shared_ptr<const KvxContainer> openThemeContainer(const std::string& path,
                                                       std::string* opened);

}  // namespace kvx
