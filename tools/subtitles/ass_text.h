#pragma once
// The plain text of an ASS event as FFmpeg's subtitle decoders give it. Every text decoder
// (SubRip, WebVTT, ASS, ...) writes AVSubtitleRect::ass as the fields of an ASS event without
// its times: "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"; SubRip's <b> and
// WebVTT's <i> arrive there as override tags.
#include <string>
#include <string_view>

namespace kvxsubs {

// The Text field of such an event, as plain text; empty when the line has fewer fields.
std::string eventText(std::string_view event);

// ASS dialogue text as plain text: override blocks ({\b1}, {\pos(10,20)}, and comments in
// braces) removed, and with them the shapes drawn in drawing mode ({\p1}...{\p0}); \N and \n
// become line breaks, \h a space, \{ and \} braces. Everything else, other backslashes and
// every byte of UTF-8 text included, is kept as it is. A brace that is never closed is text.
std::string plainText(std::string_view text);

}  // namespace kvxsubs
