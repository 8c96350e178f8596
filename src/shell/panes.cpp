#include "shell/panes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "pieces/kind_names.h"
#include "platform/core_editor.h"
#include "platform/core_messages.h"
#include "platform/window_system.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "view/view_switches.h"

WindowHandle hMessageList = nullptr;
WindowHandle hStatusBar = nullptr;

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
uint8_t looks[MODEL_CAPACITY];
const uint8_t* shownLooks = nullptr;  // looks while pieces are highlighted, else nullptr

void moveCaretTo(int line) {
  moveEditorCaretToLine(hEditor, line);
  followedCaretLine = editorCaretLine(hEditor);
  setFocus(hEditorControl);
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
  highlightedLine = line;
}

std::string listItem(int line, const char* caption, const std::string& message) {
  char text[1024];
  formatMessageLine(message.c_str(), caption, text, sizeof text);
  return line > 0 ? "Ligne " + std::to_string(line) + " - " + text : text;
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
  setMessageListItems(hMessageList, items);
  markEditorLines(hEditor, lines);
}

const char* yesNo(bool on) { return on ? "oui" : "non"; }
}  // namespace

void createPanes(WindowHandle mainWindow, int width, int height) {
  hStatusBar = createStatusBar(mainWindow, 0, height - statusBarHeight, width, statusBarHeight);
  hMessageList = createMessageList(mainWindow, 0, height - statusBarHeight - messageListHeight,
                                   editorWidth - viewDividerWidth, messageListHeight, goToLine);
  shownStatus.clear();
}

void destroyPanes() {
  destroyWindow(hMessageList);
  destroyWindow(hStatusBar);
  hMessageList = hStatusBar = nullptr;
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
  highlightedLine = 0;
  followedCaretLine = editorCaretLine(hEditor);
}

void listFindings(std::vector<Finding> findings) {
  listed = ListedFindings{true, std::move(findings)};
  showListItems();
}

void highlightPieces(const std::vector<int32_t>& pieces) {
  std::fill(std::begin(looks), std::end(looks), uint8_t(LOOK_OWN_COLOURS));
  for (int32_t piece : pieces)
    if (piece >= 0 && piece < MODEL_CAPACITY) looks[piece] = LOOK_HIGHLIGHTED;
  shownLooks = pieces.empty() ? nullptr : looks;
  if (!pieces.empty()) highlightedLine = 0;
  requestRedraw();
}

const uint8_t* highlightedPieceLooks() { return shownLooks; }

void selectPieceAtMouse() {
  const PieceRecord* piece = pieceAt(pickPiece(modelTable));
  if (piece && piece->scriptLine > 0)
    goToLine(piece->scriptLine);
  else
    highlightPieces({}), highlightedLine = 0;
}

std::string statusLine() {
  std::string text = std::string("Insertion (F4): ") + yesNo(insertionMode);
  // The ghost's kind by the name the parts list gives it.
  if (insertionMode) text += ", " + kindName(ghostPiece.kind) + " par " + ghostPortText();
  text += std::string(" | Réf. relatives (F7): ") + yesNo(relativeReferences);
  text += std::string(" | Repère (F8): ") + yesNo(frameMarkerRequest);
  text += std::string(" | & (1): ") + yesNo(ampersandOption);
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
  const int caretLine = editorCaretLine(hEditor);
  if (caretLine != followedCaretLine) {
    followedCaretLine = caretLine;
    highlightPieces({});
    highlightedLine = caretLine;
    requestRedraw();  // the frame that saw the caret move was drawn before
  }
  if (!hStatusBar) return;
  std::string status = statusLine();
  if (status == shownStatus) return;
  setStatusText(hStatusBar, status);
  shownStatus = std::move(status);
}
