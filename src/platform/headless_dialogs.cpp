// Dialogs without a display: nobody can answer, so every question gets the
// answer that loses nothing (keep the text, decide later, no file) and
// messages stay one line each on standard error.
#include "platform/dialogs.h"

void installMessageBoxes() {}

void setDialogFrameHook(void (*)()) {}

SaveAnswer askSaveQuestion(const char*, const char*) { return SaveAnswer::Cancel; }

RecoveryAnswer askRecoveryQuestion(const char*, const char*) { return RecoveryAnswer::Later; }

bool chooseDocumentFileName(bool, const std::string&, std::string*) { return false; }

void showFindBox(bool (*)(const std::string&)) {}

bool showCompileProgress(long long, long long, int, bool) { return true; }

bool showForm(Form&) { return false; }

bool showExportProgress(const std::string&, bool) { return true; }

namespace {
std::vector<std::string> helpPages;
}

void showHelpPage(const std::string& path) { helpPages.push_back(path); }

const std::vector<std::string>& helpPagesShown() { return helpPages; }
