#include "kvxtheme/commonlib.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(ErrorRecord, RecordedPerThread) {
  c32ClearDLLErrInfo();
  EXPECT_EQ(c32GetDLLErrorInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  c32SetDLLErrInfo("render failed", 3200, 1, 3300, 2, 193);
  char detail[256];
  int error, severity, module, location, code;
  EXPECT_EQ(c32GetDLLErrorInfo(detail, &error, &severity, &module, &location, &code), 3200);
  EXPECT_STREQ(detail, "render failed");
  EXPECT_EQ(module, 3300);
  EXPECT_EQ(location, 2);
  EXPECT_EQ(code, 193);
  int other = -1;
  std::thread([&] {
    other = c32GetDLLErrorInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  }).join();
  EXPECT_EQ(other, 0);
  std::string longDetail(1000, 'x');
  c32SetDLLErrInfo(longDetail.c_str(), 1001, 1, 3300, 1, 0);
  c32GetDLLErrorInfo(detail, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::string(detail).size(), 255u);
  c32ClearDLLErrInfo();
}

TEST(SplitPathname, DirectoryKeepsItsSeparator) {
  char name[260], dir[260];
  EXPECT_EQ(qfdSplitPathname("/usr/bin/kvxtheme", name, dir), 1);
  EXPECT_STREQ(dir, "/usr/bin/");
  EXPECT_STREQ(name, "kvxtheme");
  EXPECT_EQ(qfdSplitPathname("bare", nullptr, dir), 1);
  EXPECT_STREQ(dir, "");
  EXPECT_EQ(qfdSplitPathname(nullptr, name, dir), 0);
}
