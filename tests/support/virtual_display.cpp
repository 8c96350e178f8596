// Xvfb for the desktop tests. "-displayfd" lets the server choose a free
// display number and tell it through a pipe, so parallel test programs never
// collide.
#include "support/virtual_display.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {
pid_t serverPid = 0;
std::string displayName;
bool tried = false;
std::string failure;

void stopServer() {
  if (serverPid > 0) {
    ::kill(serverPid, SIGTERM);
    ::waitpid(serverPid, nullptr, 0);
    serverPid = 0;
  }
}

bool launch() {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return failure = "pipe failed", false;
  const pid_t pid = ::fork();
  if (pid < 0) return failure = "fork failed", false;
  if (pid == 0) {
    ::close(pipeFds[0]);
    const std::string fd = std::to_string(pipeFds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  serverPid = pid;
  std::string number;
  pollfd p{pipeFds[0], POLLIN, 0};
  while (::poll(&p, 1, 10000) > 0) {
    char c;
    if (::read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(pipeFds[0]);
  if (number.empty()) {
    stopServer();
    return failure = "Xvfb did not start", false;
  }
  displayName = ":" + number;
  ::setenv("DISPLAY", displayName.c_str(), 1);
  std::atexit(stopServer);
  return true;
}
}  // namespace

bool startVirtualDisplay(std::string* reason) {
  if (!tried) {
    tried = true;
    launch();
  }
  if (reason) *reason = failure;
  return !displayName.empty();
}

std::string virtualDisplayName() { return displayName; }
