#pragma once
// Theme descriptions (the objects of a 64 × 48 page) that the effect must refuse or report.
namespace kvxtest {

// Two one-colour pictures declaring 15,000 × 15,000 pixels each: a few kilobytes packed, more
// picture memory than one theme may hold.
inline constexpr const char* kOverBudgetObjects = R"(
    {"name": "a", "type": "picture", "width": 15000, "height": 15000, "color": "#808080"},
    {"name": "placeholder", "type": "picture", "width": 15000, "height": 15000,
     "color": "#808080"})";

// A placement whose corners lie 30,000 pixels beyond the page: its transform needs more memory
// than there is, so no frame can be composed in full.
inline constexpr const char* kFarPlacementObjects = R"(
    {"name": "holder_ref", "type": "text", "string": "", "component": {"transform": {
     "topLeft": [-30000, -30000], "topRight": [30000, -30000],
     "bottomLeft": [-30000, 30000], "bottomRight": [30000, 30000]}}},
    {"name": "placeholder", "type": "picture", "width": 64, "height": 48, "color": "#808080"})";

}  // namespace kvxtest
