#include "compat/win32/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/test_support.h"

TEST(GlobalMemory, ZeroInitAndLockCounting) {
  HGLOBAL h = GlobalAlloc(GHND, 64);
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalUnlock(h), 1);  // still locked once
  EXPECT_EQ(GlobalUnlock(h), 0);
  EXPECT_EQ(GlobalUnlock(h), 0);  // not locked any more
  EXPECT_EQ(GlobalSize(h), 64u);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, FixedHandleIsItsAddressAndStaleHandlesAreRefused) {
  HGLOBAL h = GlobalAlloc(GPTR, 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalLock(h), h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalFree(h), h);
  int local = 0;
  EXPECT_EQ(GlobalLock(&local), nullptr);
}

TEST(Locale, JapaneseLocaleGivesJapaneseId) {
  const char* saved = std::getenv("LC_ALL");
  std::string old = saved ? saved : "";
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_EQ(GetSystemDefaultLCID() & 0x3FF, 0x11u);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_NE(GetSystemDefaultLCID() & 0x3FF, 0x11u);
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
  if (saved)
    setenv("LC_ALL", old.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

TEST(Locale, CodePage932LeadBytes) {
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x81));
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x9F));
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xE0));
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xFC));
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xA1));  // half-width katakana, single byte
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0x41));
  EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
}

TEST(Trace, SilentUntilCapturedThenCollected) {
  OutputDebugStringA("lost\n");
  kvxtest::TraceCapture capture;
  OutputDebugStringA("one\n");
  OutputDebugStringA(nullptr);
  OutputDebugStringA("two\n");
  EXPECT_EQ(capture.text(), "one\ntwo\n");
}

TEST(Module, DllNamesMapToSharedObjects) {
  EXPECT_EQ(dllNameToSharedObject("q32prj.dll"), "libq32prj.so");
  EXPECT_EQ(dllNameToSharedObject("/opt/k/Q32PRJ.DLL"), "/opt/k/libQ32PRJ.so");
  EXPECT_EQ(dllNameToSharedObject("libm.so.6"), "libm.so.6");
  EXPECT_EQ(LoadLibraryA("certainly-missing.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_FALSE(GetModuleFileNameA().empty());
}
