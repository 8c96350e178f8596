// The termination signals of the desktop program: noted, and announced on a
// self-pipe, since a flag alone does not wake a loop that sleeps in select
// or poll. Only async-signal-safe calls in the handlers.
#include "platform/core_termination.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
volatile sig_atomic_t caughtSignal = 0;
volatile sig_atomic_t inDeafLoop = 0;
int wakeUp[2] = {-1, -1};
void (*textKeeper)() = nullptr;
bool deadlineSet = false;

void noteSignal(int signal) {
  if (!caughtSignal) caughtSignal = signal;
  if (inDeafLoop) ::_exit(128 + caughtSignal);
  const int savedErrno = errno;  // the interrupted code may be reading it
  const char byte = 1;
  if (wakeUp[1] >= 0 && ::write(wakeUp[1], &byte, 1) < 0) {
    // a full pipe is awake already
  }
  errno = savedErrno;
}

void endNow(int) { ::_exit(128 + caughtSignal); }

void install(int signal, void (*handler)(int), bool keepIgnored) {
  struct sigaction action, previous;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // the pipe wakes the loops; other calls go on
  if (keepIgnored && ::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) return;
  ::sigaction(signal, &action, nullptr);
}

void keepText() {
  if (textKeeper) textKeeper();
}
}  // namespace

void catchTerminationSignals(void (*keep)()) {
  textKeeper = keep;
  if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) wakeUp[0] = wakeUp[1] = -1;  // the flag alone
  install(SIGTERM, noteSignal, false);
  install(SIGHUP, noteSignal, true);
  install(SIGINT, noteSignal, true);
}

int terminationSignal() { return caughtSignal; }

int terminationWakeUpFd() { return wakeUp[0]; }

void answerTerminationSignal() {
  char bytes[64];
  while (wakeUp[0] >= 0 && ::read(wakeUp[0], bytes, sizeof bytes) > 0) {
  }
  if (!caughtSignal || deadlineSet) return;
  keepText();
  deadlineSet = true;
  install(SIGALRM, endNow, false);
  itimerval timer{};
  timer.it_value.tv_usec = 500000;
  ::setitimer(ITIMER_REAL, &timer, nullptr);
}

void enterDeafLoop() {
  keepText();
  inDeafLoop = 1;
  if (caughtSignal) ::_exit(128 + caughtSignal);
}

void leaveDeafLoop() { inDeafLoop = 0; }
