#pragma once
// The inspection of a theme as readable text or as JSON.
#include <nlohmann/json.hpp>
#include <string>

#include "authoring_api.h"
#include "theme_info.h"

namespace kvxauthor {

KVX_AUTHORING_API std::string infoText(const ThemeInfo& info);
KVX_AUTHORING_API nlohmann::json infoJson(const ThemeInfo& info);
// "#RRGGBB" for a 0x00BBGGRR colour.
KVX_AUTHORING_API std::string colourText(uint32_t colour);

}  // namespace kvxauthor
