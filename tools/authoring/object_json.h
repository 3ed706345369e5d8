#pragma once
// The parts of a theme description that describe one object's content: shadows, text and path
// settings, picture sources and component settings.
#include <filesystem>

#include "json_fields.h"
#include "theme_model.h"

namespace kvxauthor {

ShadowSpec readShadow(FieldReader fields);
void readTextSettings(FieldReader& fields, TextSpec* text);
void readPathSettings(FieldReader& fields, PathSpec* path);
void readPictureSettings(FieldReader& fields, const std::filesystem::path& baseFolder,
                         PictureSpec* picture);
ComponentSpec readComponent(FieldReader fields);
// Path commands: ["move", x, y], ["line", x, y], ["curve", x1, y1, x2, y2, x, y], ["close"].
QzPath readPathCommands(const nlohmann::json& commands, const std::string& path);

}  // namespace kvxauthor
