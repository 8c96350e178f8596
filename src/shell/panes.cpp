#include "shell/panes.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/kind_names.h"
#include "platform/core_editor.h"
#include "platform/core_messages.h"
#include "platform/window_system.h"
#include "shell/shared_state.h"
#include "shell/view_status.h"

namespace {
struct LastCompile {
  std::chrono::steady_clock::time_point start;
  double milliseconds = 0;
  long long messages = 0;
  bool done = false;
};
LastCompile lastCompile;
int followedCaretLine = 0;  // the caret's line when the highlight last followed it
std::string shownStatus;
// The last check's findings, until the next compile.
struct ListedFindings {
  bool checked = false;
  std::vector<Finding> findings;
};
ListedFindings listed;
uint8_t looks[MODEL_CAPACITY];  // the window's piece looks while pieces are highlighted

void moveCaretTo(int line) {
  moveEditorCaretToLine(desktop.hEditor, line);
  followedCaretLine = editorCaretLine(desktop.hEditor);
  setFocus(desktop.hEditorControl);
}

// A finding's item is listed with its index, counted from -1 down, in place
// of a line.
void goToLine(int line) {
  if (line < 0 && size_t(-(line + 1)) < listed.findings.size()) {
    const Finding& finding = listed.findings[size_t(-(line + 1))];
    if (finding.line > 0) moveCaretTo(finding.line);
    highlightPieces(finding.pieces);
    return;
  }
  if (line < 1) return;
  moveCaretTo(line);
  highlightPieces({});
  desktop.view.highlightedLine = line;
}

// "Ligne 30 - Erreur de syntaxe: un finrepete est en trop!": the line once,
// though the message names it too ("Ligne 30, un finrepete..."), and the
// message whole on one line (the list wraps it).
std::string listItem(int line, const char* caption, std::string message) {
  const std::string named = "Ligne " + std::to_string(line);
  if (line > 0 && message.rfind(named, 0) == 0 && !std::isdigit(static_cast<unsigned char>(message[named.size()]))) {
    message.erase(0, named.size());
    message.erase(0, message.find_first_not_of(":, "));
  }
  for (char& c : message)
    if (c == '\n' || c == '\r') c = ' ';
  message.erase(message.find_last_not_of(' ') + 1);
  const std::string text = std::string(caption) + ": " + message;
  return line > 0 ? named + " - " + text : text;
}

// The compile's messages, then the last check's findings, and their lines
// marked in the editor.
void showListItems() {
  std::vector<MessageListItem> items;
  std::vector<int> lines;
  for (const LineMessage& message : recordedMessages()) {
    items.push_back({message.line, listItem(message.line, message.caption.c_str(), message.text)});
    if (message.line > 0) lines.push_back(message.line);
  }
  for (size_t i = 0; i < listed.findings.size(); ++i) {
    const Finding& finding = listed.findings[i];
    items.push_back({-int(i) - 1, listItem(finding.line, "Vérification", finding.text)});
    if (finding.line > 0) lines.push_back(finding.line);
  }
  if (listed.checked && listed.findings.empty()) items.push_back({0, "Vérification: rien à signaler"});
  setMessageListItems(desktop.hMessageList, items);
  markEditorLines(desktop.hEditor, lines);
}

const char* yesNo(bool on) { return on ? "oui" : "non"; }
}  // namespace

void createPanes(WindowHandle mainWindow, int width, int height) {
  desktop.hStatusBar = createStatusBar(mainWindow, 0, height - statusBarHeight, width, statusBarHeight);
  // Made at its least height; the program then moves its divider up.
  desktop.hMessageList = createMessageList(mainWindow, 0, height - statusBarHeight - messageListMinHeight,
                                           editorWidth - viewDividerWidth, messageListMinHeight, goToLine);
  shownStatus.clear();
}

void destroyPanes() {
  destroyWindow(desktop.hMessageList);
  destroyWindow(desktop.hStatusBar);
  desktop.hMessageList = desktop.hStatusBar = nullptr;
}

void startCompileRecord() {
  lastCompile.start = std::chrono::steady_clock::now();
  startMessageRecord();
}

void endCompileRecord() {
  stopMessageRecord();
  // The time the compile took, not the time its boxes stayed open.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - lastCompile.start).count();
  lastCompile.milliseconds = 1000.0 * std::max(0.0, seconds - recordedMessageSeconds());
  lastCompile.messages = recordedMessageCount();
  lastCompile.done = true;
  listed = ListedFindings{};
  showListItems();
  // New pieces: nothing is highlighted until the caret moves or a piece is clicked.
  highlightPieces({});
  desktop.view.highlightedLine = 0;
  followedCaretLine = editorCaretLine(desktop.hEditor);
}

void listFindings(std::vector<Finding> findings) {
  listed = ListedFindings{true, std::move(findings)};
  showListItems();
}

void highlightPieces(const std::vector<int32_t>& pieces) {
  std::fill(std::begin(looks), std::end(looks), uint8_t(LOOK_OWN_COLOURS));
  for (int32_t piece : pieces)
    if (piece >= 0 && piece < MODEL_CAPACITY) looks[piece] = LOOK_HIGHLIGHTED;
  desktop.view.pieceLooks = pieces.empty() ? nullptr : looks;
  if (!pieces.empty()) desktop.view.highlightedLine = 0;
  requestRedraw();
}

void selectPieceAtMouse() {
  const PieceRecord* piece = pieceAt(pickPiece(modelTable, desktop.view));
  if (piece && piece->scriptLine > 0)
    goToLine(piece->scriptLine);
  else
    highlightPieces({}), desktop.view.highlightedLine = 0;
}

void reportPieceUnderMouse() {
  char text[96];
  const int number = int(pickPiece(modelTable, desktop.view));
  const int n = std::snprintf(text, sizeof text, "Numéro du vexo: %d", number);
  if (const PieceRecord* piece = pieceAt(number); piece && piece->scriptLine > 0)
    std::snprintf(text + n, sizeof text - size_t(n), "\nLigne du script: %d", int(piece->scriptLine));
  showMessage(text, "Besoin d'une adresse?", ICON_NONE);
}

std::string statusLine() {
  const InsertionState& insertion = desktop.insertion;
  std::string text = viewStatusPrefix() + "Insertion (F4): " + yesNo(insertion.insertionMode);
  // The ghost's kind by the name the parts list gives it.
  if (insertion.insertionMode)
    text += ", " + kindName(insertion.ghostPiece.kind) + " par " + ghostPortText(insertion);
  text += std::string(" | Réf. relatives (F7): ") + yesNo(insertion.relativeReferences);
  text += std::string(" | Repère (F8): ") + yesNo(insertion.frameMarkerRequest);
  text += std::string(" | & (1): ") + yesNo(insertion.ampersandOption);
  text += " | Pièces: " + std::to_string(countPieces());
  if (lastCompile.done) {
    char compile[96];
    std::snprintf(compile, sizeof compile, " | Compilation: %.0f ms, %lld message%s", lastCompile.milliseconds,
                  lastCompile.messages, lastCompile.messages > 1 ? "s" : "");
    text += compile;
  }
  if (listed.checked) {
    const size_t n = listed.findings.size();
    text += " | Vérification: " + std::to_string(n) + " constat" + (n > 1 ? "s" : "");
  }
  return text;
}

void updatePanes() {
  const int caretLine = editorCaretLine(desktop.hEditor);
  if (caretLine != followedCaretLine) {
    followedCaretLine = caretLine;
    highlightPieces({});
    desktop.view.highlightedLine = caretLine;
    requestRedraw();  // the frame that saw the caret move was drawn before
  }
  if (!desktop.hStatusBar) return;
  std::string status = statusLine();
  if (status == shownStatus) return;
  setStatusText(desktop.hStatusBar, status);
  shownStatus = std::move(status);
}
