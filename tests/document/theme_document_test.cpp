#include "document/theme_document.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "compose/clip_state.h"

namespace {

ThemeObject* addObject(ThemeDocument& document, const char* name,
                       std::initializer_list<int> groupIds = {}) {
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), name);
  int index = 0;
  for (int id : groupIds) object->setGroupId(id, index++);
  document.objects.push_back(std::move(object));
  return document.objects.back().get();
}

void addGroups(ThemeDocument& document, std::initializer_list<int> ids) {
  for (int id : ids) document.addGroup(document.groups, id, "group");
}

std::vector<int> groupIds(const ThemeDocument& document) {
  std::vector<int> ids;
  for (const auto& group : document.groups) ids.push_back(group->id);
  return ids;
}

}  // namespace

TEST(ThemeDocument, ZeroEndsAnObjectsGroupList) {
  ThemeDocument document;
  addObject(document, "a", {3, 0, 5});
  EXPECT_EQ(document.isGroupReferenced(3), 1);
  EXPECT_EQ(document.isGroupReferenced(5), 0) << "ids after a zero are never looked at";
  EXPECT_EQ(document.isGroupReferenced(0), 0);
  addGroups(document, {0, 3, 5});
  document.removeUnreferencedGroups();
  EXPECT_EQ(groupIds(document), std::vector<int>{3});
}

TEST(ThemeDocument, AllSixteenIdsAreLookedAt) {
  ThemeDocument document;
  addObject(document, "a", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  EXPECT_EQ(document.isGroupReferenced(16), 1);
  EXPECT_EQ(document.isGroupReferenced(17), 0);
}

TEST(ThemeDocument, RemovingGroupsWithoutObjectsDeletesAll) {
  ThemeDocument document;
  document.removeUnreferencedGroups();
  EXPECT_TRUE(document.groups.empty());
  addGroups(document, {1, 2});
  document.removeUnreferencedGroups();
  EXPECT_TRUE(document.groups.empty());
}

TEST(ThemeDocument, LookupsIgnoreCaseAndFindTheFirstMatch) {
  ThemeDocument document;
  ClipState clip(document);
  ThemeObject* first = addObject(document, "PlaceHolder");
  addObject(document, "placeholder");
  EXPECT_EQ(document.findObject("placeholder"), first);
  EXPECT_EQ(document.findObject("video"), nullptr);
  EXPECT_EQ(clip.findLayer("placeholder"), nullptr) << "no layers built yet";
  addGroups(document, {4, 4});
  EXPECT_EQ(document.findGroup(4), document.groups.front().get());
  EXPECT_EQ(document.findGroup(9), nullptr);
}

TEST(ThemeDocument, GroupTextsGoToTheEarliestGroupWithTheId) {
  ThemeDocument document;
  addGroups(document, {7, 7});
  EXPECT_EQ(document.setGroupTexts(7, "one", "two", nullptr, "four", document.groups), 1);
  EXPECT_STREQ(document.groups.front()->text1, "one");
  EXPECT_STREQ(document.groups.front()->text3, "");
  EXPECT_STREQ(document.groups.back()->text1, "");
  EXPECT_EQ(document.setGroupTexts(8, "x", "x", "x", "x", document.groups), 0);
}

TEST(ThemeDocument, GroupBlockFormsAndHostileBlocks) {
  // Extended marker with a count of 0: read in the plain form from byte 0.
  const uint8_t plainWithMarker[] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 'a', 0};
  ThemeDocument document;
  document.parseGroupBlock(document.groups, sizeof(plainWithMarker), plainWithMarker);
  ASSERT_EQ(document.groups.size(), 2u);
  EXPECT_EQ(document.groups.front()->id, -1);

  // Extended block: the count of 1 does not limit the entries read.
  std::vector<uint8_t> block = {0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0};
  for (uint8_t id : {1, 2, 2}) {
    const char entry[] = "g\0t1\0t2\0t3\0t4";
    block.insert(block.end(), {id, 0, 0, 0});
    block.insert(block.end(), entry, entry + sizeof(entry));
  }
  ThemeDocument extended;
  extended.parseGroupBlock(extended.groups, block.size(), block.data());
  EXPECT_EQ(groupIds(extended), (std::vector<int>{1, 2, 2}));
  EXPECT_STREQ(extended.groups.front()->text4, "t4");

  // A string that never ends stops at the block's end.
  const uint8_t unterminated[] = {5, 0, 0, 0, 'n', 'a', 'm', 'e'};
  ThemeDocument cut;
  cut.parseGroupBlock(cut.groups, sizeof(unterminated), unterminated);
  ASSERT_EQ(cut.groups.size(), 1u);
  EXPECT_STREQ(cut.groups.front()->name, "name");

  ThemeDocument none;
  none.parseGroupBlock(none.groups, 0, plainWithMarker);
  EXPECT_TRUE(none.groups.empty());
}
