#include "document/theme_group.h"

#include "objects/theme_object.h"

int ThemeGroup::setTexts(const char* first, const char* second, const char* third,
                         const char* fourth) {
  if (first) copyToField(text1, sizeof(text1), first);
  if (second) copyToField(text2, sizeof(text2), second);
  if (third) copyToField(text3, sizeof(text3), third);
  if (fourth) copyToField(text4, sizeof(text4), fourth);
  return 1;
}
