#pragma once
// An SVG <text> read as the settings of a live text object: its string, font, fill, anchor,
// outline and drop shadow. Where the text uses what a text object cannot show, the reason is
// given instead and the text stays part of the drawing's pictures.
#include <map>
#include <string>

#include "svg_document.h"
#include "theme_model.h"

namespace kvxauthor::svg {

// Elements by id, for the filters a text refers to.
using IdMap = std::map<std::string, const xmlNode*>;
IdMap elementsById(const xmlDoc* doc);

// The text's settings with its font size and shadow in page pixels (`toPage` is its user
// space to the page); false with `reason` ("a text on a path") when it cannot be a text object.
bool readTextElement(const xmlNode* text, const Affine& toPage, const IdMap& ids,
                     TextSpec* settings, std::string* reason);

// The filter element that the element's own `filter` names; null when it names none.
const xmlNode* referencedFilter(const xmlNode* element, const IdMap& ids);

// The drop shadow a filter describes: one feDropShadow, or a blur, an offset and a flood
// composited under the source. False for any other filter.
bool readShadowFilter(const xmlNode* filter, double scale, ShadowSpec* shadow);

}  // namespace kvxauthor::svg
