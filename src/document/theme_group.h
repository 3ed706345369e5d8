#pragma once
// A named group of a theme file with its four texts.
#include <cstdint>

class ThemeGroup {
 public:
  ThemeGroup() = default;
  virtual ~ThemeGroup() = default;

  // Copies each text that is not null, cut to its field.
  int setTexts(const char* first, const char* second, const char* third, const char* fourth);

  int32_t id = 0;
  char name[128] = {};
  char text1[2048] = {};
  char text2[1024] = {};
  char text3[1024] = {};
  char text4[1024] = {};
};
