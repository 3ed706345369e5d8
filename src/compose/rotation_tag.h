#pragma once
#include <optional>
#include <string>

// Reads the placeholder's angle tag, "<... rotation ... = degrees ...>", from a text. Returns
// the angle in radians, or nothing when the text holds no such tag.
std::optional<double> parseRotationTag(const std::string& text);
