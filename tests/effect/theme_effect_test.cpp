#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/theme_document.h"
#include "effect/theme_clip.h"
#include "kvxtheme/kvxtheme.h"
#include "support/test_support.h"

namespace {

// A host whose answers each test sets: which interfaces exist and what they record.
class ScriptedHost : public IEffectSink, public IThemePathProvider, public ITextProvider {
 public:
  ScriptedHost() {
    record.options = &options;
    options.hostQuery = &ScriptedHost::query;
    options.hostQueryContext = this;
  }

  static int query(void* context, GUID iid, void** iface) {
    auto* host = static_cast<ScriptedHost*>(context);
    if (IsEqualGUID(iid, IID_IEffectSink)) {
      host->asked.push_back("sink");
      *iface = host->offerSink ? static_cast<IEffectSink*>(host) : nullptr;
    } else if (IsEqualGUID(iid, IID_IThemePathProvider)) {
      host->asked.push_back("path");
      *iface = host->offerPath ? static_cast<IThemePathProvider*>(host) : nullptr;
    } else if (IsEqualGUID(iid, IID_ITextProvider)) {
      host->asked.push_back("text");
      *iface = static_cast<ITextProvider*>(host);
    }
    return 1;
  }
  int AttachEffect(CThemeEffectBase* effect) override {
    attached.push_back(effect);
    return 1;
  }
  int GetThemePath(void* data, const char* name, std::string* path) override {
    providerDataSeen = data;
    themeNameSeen = name;
    *path = themePath;
    return 1;
  }
  int GetFieldText(int frameIndex, const char* key, std::string*, int* found) override {
    framesAsked.push_back(frameIndex);
    keysAsked.push_back(key);
    *found = 0;
    return 0;
  }

  DSADAPTRECEXT record{};
  EffectOption options{};
  bool offerSink = true;
  bool offerPath = true;
  std::string themePath;
  std::vector<std::string> asked;
  std::vector<CThemeEffectBase*> attached;
  std::vector<int> framesAsked;
  std::vector<std::string> keysAsked;
  void* providerDataSeen = nullptr;
  std::string themeNameSeen;
};

// Host rows over packed frames.
struct Rows {
  Rows(int width, int height) : source(width * height * 3), destination(width * height * 3, 7) {
    for (int y = 0; y < height; ++y) {
      src.push_back(source.data() + y * width * 3);
      dst.push_back(destination.data() + y * width * 3);
    }
  }
  std::vector<uint8_t> source, destination;
  std::vector<unsigned char*> src, dst;
};

}  // namespace

TEST(ThemeEffect, EveryOperationRefusesAHostRecordWithoutOptions) {
  ScriptedHost host;
  CThemeEffect effect;
  Rows rows(16, 8);
  kvxtest::TraceCapture trace;
  ASSERT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  host.record.options = nullptr;
  EXPECT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_EQ(effect.DoKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_EQ(effect.EndKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_NE(effect.themeDocument(), nullptr) << "a refused end keeps the running document";
  EXPECT_EQ(trace.text(), "BeginKVXEffect\n");
  host.record.options = &host.options;
  EXPECT_EQ(effect.EndKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  EXPECT_EQ(effect.themeDocument(), nullptr);
  EXPECT_EQ(effect.EndKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  EXPECT_EQ(trace.text(), "BeginKVXEffect\nEndKVXEffect\nEndKVXEffect\n");
}

TEST(ThemeEffect, NoSinkMeansNoClipButBothInterfacesAreAskedFirst) {
  ScriptedHost host;
  host.offerSink = false;
  CThemeEffect effect;
  Rows rows(16, 8);
  EXPECT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_EQ(host.asked, (std::vector<std::string>{"sink", "path"}));
  EXPECT_EQ(effect.themeDocument(), nullptr);

  host.options.hostQuery = nullptr;
  EXPECT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
}

TEST(ThemeEffect, SecondBeginKeepsTheFirstThemeAndDoesNotAttachAgain) {
  ScriptedHost host;
  CThemeEffect effect;
  Rows rows(16, 8);
  ASSERT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  const ThemeDocument* first = effect.themeDocument();
  ASSERT_EQ(host.attached.size(), 1u);
  EXPECT_EQ(host.attached[0], static_cast<CThemeEffectBase*>(&effect));
  EXPECT_EQ(host.providerDataSeen, host.options.providerData);
  EXPECT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  EXPECT_EQ(effect.themeDocument(), first);
  EXPECT_EQ(host.attached.size(), 1u);
  EXPECT_EQ(host.asked, (std::vector<std::string>{"sink", "path", "sink", "path"}));
  effect.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record);
}

TEST(ThemeEffect, EmptyPathBuildsTheDefaultPageWhateverTheThemeName) {
  ScriptedHost host;
  std::strcpy(host.options.themeName, "missing.kvx");
  CThemeEffect effect;
  Rows rows(32, 24);
  ASSERT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 24, 32, &host.record), 1);
  EXPECT_EQ(host.themeNameSeen, "missing.kvx");
  const ThemeDocument* document = effect.themeDocument();
  EXPECT_EQ(document->pageWidth, 768);
  EXPECT_EQ(document->pageHeight, 578);
  EXPECT_EQ(effect.themeClip()->state.layersBuilt, 1);
  effect.EndKVXEffect(nullptr, nullptr, 24, 32, &host.record);
}

TEST(ThemeEffect, WithoutPathProviderAMissingFileStillBeginsTheClip) {
  ScriptedHost host;
  host.offerPath = false;
  std::strcpy(host.options.themeName, "no-such-theme.kvx");
  CThemeEffect effect;
  Rows rows(16, 8);
  ASSERT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  const ThemeDocument* document = effect.themeDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->pageWidth, 0);
  EXPECT_TRUE(document->objects.empty());
  EXPECT_EQ(effect.DoKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  EXPECT_EQ(rows.destination[0], 7) << "nothing composed without layers";
  effect.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record);
}

TEST(ThemeEffect, DoBeforeBeginAndMergeHolderOutsideAClipAreRefused) {
  ScriptedHost host;
  CThemeEffect effect;
  Rows rows(16, 8);
  EXPECT_EQ(effect.DoKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_EQ(rows.destination[0], 7);
  BITMAPINFOHEADER picture{};
  BITMAPINFOHEADER* untouched = &picture;
  CThemeEffectBase& base = effect;
  EXPECT_EQ(base.MergeHolder(&picture, &untouched), 0);
  EXPECT_EQ(untouched, &picture);
  EXPECT_EQ(InitThemeEngine(), 1);
}

TEST(ThemeEffect, DoRefusesMissingRows) {
  ScriptedHost host;
  CThemeEffect effect;
  Rows rows(16, 8);
  effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record);
  EXPECT_EQ(effect.DoKVXEffect(nullptr, rows.dst.data(), 8, 16, &host.record), 0);
  EXPECT_EQ(effect.DoKVXEffect(rows.src.data(), nullptr, 8, 16, &host.record), 0);
  effect.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record);
}

TEST(ThemeEffect, FrameAndFieldFollowTheCounter) {
  struct Case {
    int interlaced;
    uint32_t counter;
    int frame;
    int firstSeen, secondSeen;
  };
  // Odd counters carry the even lines (mode 1), even counters the odd lines (mode 2).
  const Case cases[] = {{1, 0, 0, 0, 1}, {1, 1, 0, 1, 0}, {1, 2, 1, 0, 1}, {1, 3, 1, 1, 0},
                        {1, 7, 3, 1, 0}, {1, 8, 4, 0, 1}, {0, 7, 7, 0, 0}};
  for (const Case& c : cases) {
    ScriptedHost host;
    host.record.interlaced = c.interlaced;
    CThemeEffect effect;
    Rows rows(16, 8);
    ASSERT_EQ(effect.BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
    host.record.frameCounter = c.counter;
    host.framesAsked.clear();
    ASSERT_EQ(effect.DoKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
    ASSERT_FALSE(host.framesAsked.empty());
    EXPECT_EQ(host.framesAsked[0], c.frame) << "counter " << c.counter;
    const FrameAssembler& assembler = effect.themeClip()->state.frameAssembler;
    EXPECT_EQ(assembler.firstFieldSeen(), c.firstSeen) << "counter " << c.counter;
    EXPECT_EQ(assembler.secondFieldSeen(), c.secondSeen) << "counter " << c.counter;
    effect.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record);
  }
}

TEST(ThemeEffect, CopiesShareTheDocumentAndReleaseItOnce) {
  ScriptedHost host;
  Rows rows(16, 8);
  auto* original = new CThemeEffect;
  ASSERT_EQ(original->BeginKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  CThemeEffect copy(*original);
  CThemeEffect assigned;
  assigned = *original;
  EXPECT_EQ(copy.themeDocument(), original->themeDocument());
  EXPECT_EQ(assigned.themeDocument(), original->themeDocument());
  EXPECT_EQ(original->EndKVXEffect(nullptr, nullptr, 8, 16, &host.record), 1);
  delete original;
  // The copies still run the clip; ending both releases the document exactly once.
  EXPECT_EQ(copy.DoKVXEffect(rows.src.data(), rows.dst.data(), 8, 16, &host.record), 1);
  EXPECT_EQ(copy.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record), 1);
  EXPECT_EQ(assigned.EndKVXEffect(nullptr, nullptr, 8, 16, &host.record), 1);
  EXPECT_EQ(assigned.themeDocument(), nullptr);
}
