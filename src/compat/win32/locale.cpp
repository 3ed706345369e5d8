#include <cstdlib>
#include <cstring>
#include <string>

#include "compat/win32/win32.h"

namespace {

LCID lcidFromEnvironment() {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::string locale;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0)
    return 0x0409;
  std::string language = locale.substr(0, locale.find_first_of("_.@"));
  struct Known {
    const char* code;
    LCID id;
  };
  static const Known known[] = {{"ja", 0x0411}, {"en", 0x0409}, {"de", 0x0407}, {"fr", 0x040C},
                                {"es", 0x0C0A}, {"it", 0x0410}, {"zh", 0x0804}, {"ko", 0x0412},
                                {"nl", 0x0413}, {"pt", 0x0816}, {"ru", 0x0419}};
  for (const Known& k : known)
    if (language == k.code) return k.id;
  return 0x0409;
}

}  // namespace

LCID GetSystemDefaultLCID() {
  return lcidFromEnvironment();
}

LCID GetUserDefaultLCID() {
  return lcidFromEnvironment();
}

bool IsDBCSLeadByteEx(unsigned codePage, uint8_t byte) {
  if (codePage != 932) return false;
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
