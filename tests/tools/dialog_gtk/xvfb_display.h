#pragma once
#include <string>

namespace kvxtest {

// Starts a private Xvfb server for this test program on first use and points DISPLAY at it.
// False, with the reason, when no X server can be started. The server is stopped, after GTK's
// connection to it is closed, when the test program ends.
bool privateXDisplay(std::string* reason);

}  // namespace kvxtest
