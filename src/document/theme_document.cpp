#include "document/theme_document.h"

#include <strings.h>

#include <cstring>
#include <new>
#include <unordered_set>

bool namesEqualIgnoringCase(const char* a, const char* b) {
  return a && b && strcasecmp(a, b) == 0;
}

ThemeDocument::~ThemeDocument() = default;

ThemeGroup* ThemeDocument::findGroup(int32_t id) const {
  for (const auto& group : groups)
    if (group && group->id == id) return group.get();
  return nullptr;
}

ThemeObject* ThemeDocument::findObject(const char* name) const {
  for (const auto& object : objects)
    if (object && namesEqualIgnoringCase(object->name, name)) return object.get();
  return nullptr;
}

int ThemeDocument::isGroupReferenced(int32_t id) const {
  for (const auto& object : objects) {
    if (!object) continue;
    for (int i = 0; i < ThemeObject::kGroupIdCount; ++i) {
      int value = object->groupId(i);
      if (value == 0) break;
      if (value == id) return 1;
    }
  }
  return 0;
}

void ThemeDocument::removeUnreferencedGroups() {
  // The ids the objects use, gathered once: a check per group would cost groups × objects.
  std::unordered_set<int32_t> referenced;
  for (const auto& object : objects) {
    if (!object) continue;
    for (int i = 0; i < ThemeObject::kGroupIdCount; ++i) {
      const int value = object->groupId(i);
      if (value == 0) break;
      referenced.insert(value);
    }
  }
  groups.remove_if([&](const std::unique_ptr<ThemeGroup>& group) {
    return !group || !referenced.count(group->id);
  });
}
