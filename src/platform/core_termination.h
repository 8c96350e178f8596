// The signals that end the desktop program: SIGTERM, SIGHUP and SIGINT
// (Ctrl+C). The handler only notes the signal and makes a pipe readable, so
// that whichever event loop runs when it comes (the main loop, a modal box,
// a progress window) wakes up, keeps the unsaved text and lets the program
// end. Once the text is safe, a deadline ends the process even where a loop
// cannot be left in time.
#pragma once

// Installs the handlers; keepText saves the unsaved text. A SIGHUP or
// SIGINT that the program was started with ignored (nohup, a background job
// of a script) stays ignored.
void catchTerminationSignals(void (*keepText)());
// The first signal that came, 0 while none came.
int terminationSignal();
// Readable from the first signal on (-1 before catchTerminationSignals).
int terminationWakeUpFd();
// For the event loop that woke: empties the pipe, keeps the text, and from
// then on the process ends within half a second with status 128 plus the
// signal, whatever it is doing, unless it has ended before.
void answerTerminationSignal();
// Around a loop that the pipe cannot wake (another toolkit's file dialog):
// the text is kept first (nothing changes it while the dialog is open), and
// a signal meanwhile ends the process at once, with status 128 plus the
// signal.
void enterDeafLoop();
void leaveDeafLoop();
