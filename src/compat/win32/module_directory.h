#pragma once
#include <string>

// Sets `out` to the directory of the running program, ending in '/'. Theme names without a
// directory and the video files of themes are looked for there.
void GetModuleDirectory(std::string& out);

// The module directory, found once per process and kept.
const std::string& cachedModuleDirectory();
