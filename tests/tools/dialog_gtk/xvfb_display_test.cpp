#include "tools/dialog_gtk/xvfb_display.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kvxtest {
namespace {

struct XServer {
  pid_t pid = -1;
  bool tried = false;
  bool running = false;
  std::string reason;
};

XServer& server() {
  static XServer instance;
  return instance;
}

void startServer(XServer& x) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    x.reason = "cannot create a pipe for Xvfb";
    return;
  }
  x.pid = fork();
  if (x.pid == 0) {
    close(pipeEnds[0]);
    // The server must not outlive a test program that crashes or is killed.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const std::string fd = std::to_string(pipeEnds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  if (x.pid < 0) {
    close(pipeEnds[0]);
    x.reason = "cannot fork to start Xvfb";
    return;
  }
  // Xvfb writes its display number once it accepts connections; EOF means it gave up.
  std::string number;
  char c;
  while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeEnds[0]);
  if (number.empty()) {
    waitpid(x.pid, nullptr, 0);
    x.pid = -1;
    x.reason = "Xvfb could not be started (is the xvfb package installed?)";
    return;
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  x.running = true;
}

class XServerEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    XServer& x = server();
    if (x.pid <= 0) return;
    // GTK is done drawing: it takes no more events, so it never sees the server go away.
    kill(x.pid, SIGTERM);
    waitpid(x.pid, nullptr, 0);
    x.pid = -1;
  }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);

}  // namespace

bool privateXDisplay(std::string* reason) {
  XServer& x = server();
  if (!x.tried) {
    x.tried = true;
    startServer(x);
  }
  if (!x.running && reason) *reason = x.reason;
  return x.running;
}

}  // namespace kvxtest
