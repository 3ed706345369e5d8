#pragma once
// One theme as loaded: its objects in file order, its groups and its page size. Once loaded it
// is only read, so clips and copies may share it; what changes while a clip plays is the
// clip's state (compose/clip_state.h).
#include <cstdint>
#include <list>
#include <memory>

#include "document/theme_group.h"
#include "objects/layer_builder.h"
#include "objects/theme_object.h"

class ThemeDocument {
 public:
  using ObjectList = ::ObjectList;
  using GroupList = std::list<std::unique_ptr<ThemeGroup>>;

  ThemeDocument() = default;
  virtual ~ThemeDocument();
  ThemeDocument(const ThemeDocument&) = delete;
  ThemeDocument& operator=(const ThemeDocument&) = delete;

  ThemeGroup* findGroup(int32_t id) const;
  ThemeObject* findObject(const char* name) const;
  int isGroupReferenced(int32_t id) const;
  void removeUnreferencedGroups();

  // Theme file loading.
  int loadThemeFile(const char* path);
  int parseGroupBlock(GroupList& groups, int32_t size, const uint8_t* block);
  int addGroup(GroupList& groups, int32_t id, const char* name);
  int setGroupTexts(int32_t id, const char* text1, const char* text2, const char* text3,
                    const char* text4, GroupList& groups);

  ObjectList objects;
  GroupList groups;
  int32_t pageHeight = 0;
  int32_t pageWidth = 0;
};

// Case-insensitive comparison of names, as theme names are matched.
bool namesEqualIgnoringCase(const char* a, const char* b);
