// The model checker run from the command line and from the desktop.
#include "shell/verify_command.h"

#include "platform/core_messages.h"
#include "shell/panes.h"

bool showModelFindings(const CheckControl* control) {
  const CheckResult result = checkModel(lastCompileCheckInput(), control);
  for (const Finding& finding : result.findings) {
    setMessageLine(finding.line);
    showMessage(finding.text.c_str(), "Vérification", ICON_INFORMATION);
  }
  setMessageLine(0);
  return !result.stopped;
}

void verifyModelCommand() { listFindings(checkModel(lastCompileCheckInput()).findings); }
