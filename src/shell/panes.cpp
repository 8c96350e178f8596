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

void goToLine(int line) {
  if (line < 1) return;
  moveEditorCaretToLine(hEditor, line);
  followedCaretLine = editorCaretLine(hEditor);
  highlightedLine = line;
  setFocus(hEditorControl);
}

std::string listItem(const LineMessage& message) {
  char text[1024];
  formatMessageLine(message.text.c_str(), message.caption.c_str(), text, sizeof text);
  return message.line > 0 ? "Ligne " + std::to_string(message.line) + " - " + text : text;
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
  std::vector<MessageListItem> items;
  std::vector<int> lines;
  for (const LineMessage& message : recordedMessages()) {
    items.push_back({message.line, listItem(message)});
    if (message.line > 0) lines.push_back(message.line);
  }
  setMessageListItems(hMessageList, items);
  markEditorLines(hEditor, lines);
  // New pieces: nothing is highlighted until the caret moves or a piece is clicked.
  highlightedLine = 0;
  followedCaretLine = editorCaretLine(hEditor);
}

void selectPieceAtMouse() {
  const PieceRecord* piece = pieceAt(pickPiece(modelTable));
  if (piece && piece->scriptLine > 0)
    goToLine(piece->scriptLine);
  else
    highlightedLine = 0;
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
  return text;
}

void updatePanes() {
  const int caretLine = editorCaretLine(hEditor);
  if (caretLine != followedCaretLine) {
    followedCaretLine = caretLine;
    highlightedLine = caretLine;
    requestRedraw();  // the frame that saw the caret move was drawn before
  }
  if (!hStatusBar) return;
  std::string status = statusLine();
  if (status == shownStatus) return;
  setStatusText(hStatusBar, status);
  shownStatus = std::move(status);
}
