#pragma once
// The text keys of the current slide that every host fills: a theme's text layer named by one
// of them shows that text. Hosts offer them under the short names (`--title`, `title=`).

namespace kvxtheme {

inline constexpr const char* kTitleKey = "SlideShowTitle";
inline constexpr const char* kDescriptionKey = "Description";
inline constexpr const char* kDateKey = "DateTaken";
inline constexpr const char* kFileNameKey = "FileName";

struct CaptionKey {
  const char* key;   // the text key the effect asks its host for
  const char* name;  // the host's name for it: an option, a property, a parameter
};

// In the order hosts list them.
inline constexpr CaptionKey kCaptionKeys[] = {{kTitleKey, "title"},
                                              {kDescriptionKey, "description"},
                                              {kDateKey, "date"},
                                              {kFileNameKey, "file-name"}};
inline constexpr int kCaptionKeyCount = 4;

}  // namespace kvxtheme
