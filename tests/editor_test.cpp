// The editor operations against both editors, the headless one and FLTK's
// text widget: the same contract, run on each. And the program's own modal
// boxes on FLTK: every button is in the box, the pressed one is the answer,
// and the keys go back to the widget that had them.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/dialogs.h"
#include "platform/fltk_editor.h"
#include "support/virtual_display.h"

namespace {

class EditorContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) return void(editor = makeHeadlessEditor());
    std::string reason;
    if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server for the FLTK widget: " << reason;
    widget = std::make_unique<Fl_Text_Editor>(0, 0, 400, 600);
    widget->buffer(&buffer);
    editor = makeFltkEditor(widget.get());
  }
  void TearDown() override { GetParam() ? destroyFltkEditor(editor) : destroyHeadlessEditor(editor); }
  Editor editor;
  Fl_Text_Buffer buffer;  // outlives the widget
  std::unique_ptr<Fl_Text_Editor> widget;
};

std::vector<std::string> lines(std::initializer_list<const char*> l) { return {l.begin(), l.end()}; }

// An appended line comes after a line end of its own, in Windows-1252 outside
// and UTF-8 inside the editor, and "Annuler insertion" restores the text.
TEST_P(EditorContract, AppendedLineThenUndoInsertionRestoresTheTextExactly) {
  for (const std::string& start : {std::string(""), std::string("#0"), std::string("#0\n#5 %0\n"),
                                   std::string("line with \xC3\xA9 accent")}) {
    setEditorTextUtf8(editor, start);
    appendEditorLine(editor, "\xA4" "3 %p1 @ c o1");  // the frame marker byte of Windows-1252
    EXPECT_EQ(editorTextUtf8(editor), start + "\n\xC2\xA4" "3 %p1 @ c o1");
    EXPECT_EQ(readEditorLine(editor, editorLineCount(editor) - 1), "\xA4" "3 %p1 @ c o1");
    undoInsertion(editor);
    EXPECT_EQ(editorTextUtf8(editor), start) << "start text: " << start;
  }
}

// What "Annuler insertion" relies on: whether the appended line is still
// the change an undo takes back, whoever changed the text since.
TEST_P(EditorContract, AppendedLineStaysTheLastChangeUntilTheTextChanges) {
  loadEditorLines(editor, lines({"#0"}));
  EXPECT_FALSE(appendedLineIsLastChange(editor)) << "nothing appended yet";
  appendEditorLine(editor, "#1 %0");
  EXPECT_TRUE(appendedLineIsLastChange(editor));
  selectAllText(editor);
  readEditorLines(editor);
  EXPECT_TRUE(appendedLineIsLastChange(editor)) << "selecting and reading change nothing";
  const unsigned long before = editorChangeCount(editor);
  if (GetParam()) {
    // Typing reaches FLTK's buffer without going through the operations.
    buffer.insert(0, "x");
    buffer.remove(0, 1);
  } else {
    editor.ops->selectEnd(editor.state);
    editor.ops->typeCharacter(editor.state, 'x');
    editor.ops->typeCharacter(editor.state, '\b');
  }
  EXPECT_GT(editorChangeCount(editor), before);
  EXPECT_FALSE(appendedLineIsLastChange(editor)) << "the same text, but the user's change is the last";
  appendEditorLine(editor, "#2 %1");
  undoInsertion(editor);  // only the last of two insertions
  EXPECT_FALSE(appendedLineIsLastChange(editor));
  EXPECT_EQ(readEditorLines(editor), lines({"#0", "#1 %0"}));
}

TEST_P(EditorContract, LinesSelectionUndoAndBackspace) {
  EXPECT_EQ(readEditorLines(editor), lines({""})) << "an empty editor is one empty line";
  const std::vector<std::string> script = {"#0", "", "couleur=FF0000 \xA7 rem", std::string(300, 'x'), "fin"};
  loadEditorLines(editor, script);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(readEditorLine(editor, i), i < 5 ? script[size_t(i)] : "") << i;
  undoEditor(editor);
  EXPECT_EQ(readEditorLines(editor), script) << "nothing is left to undo after loading";
  markEditorLines(editor, {5, 3, 99, -1});
  for (int line : {3, 1, 5, 7, -2}) {  // outside the text: its first or last line
    moveEditorCaretToLine(editor, line);
    editor.ops->typeCharacter(editor.state, '!');
    EXPECT_EQ(editorCaretLine(editor), std::clamp(line, 1, 5)) << line;
    editor.ops->typeCharacter(editor.state, '\b');
  }
  EXPECT_EQ(readEditorLines(editor), script);

  selectAllText(editor);
  editor.ops->replaceSelection(editor.state, "xyz", true);
  undoEditor(editor);
  EXPECT_EQ(readEditorLines(editor), script);
  undoEditor(editor);  // a second undo puts the change back
  EXPECT_EQ(editorTextUtf8(editor), "xyz");

  clearEditorText(editor);
  editor.ops->typeCharacter(editor.state, '\b');  // nothing to erase at the start
  EXPECT_EQ(editorTextUtf8(editor), "");
  appendEditorLine(editor, "\xE9");  // é: two bytes in the editor, one in the script
  editor.ops->typeCharacter(editor.state, '\b');
  EXPECT_EQ(editorTextUtf8(editor), "\n");
}

INSTANTIATE_TEST_SUITE_P(BothEditors, EditorContract, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Fltk" : "Headless"; });

Fl_Window* owner = nullptr;
std::vector<std::string> buttons;  // of the box, seen from inside its event loop

// Notes the box's buttons and presses "Ne pas enregistrer" (or closes the
// box, which cancels).
void inspectAndPress(void*) {
  Fl_Window* box = Fl::first_window();
  while (box && box == owner) box = Fl::next_window(box);
  if (!box) return Fl::repeat_timeout(0.05, inspectAndPress);
  Fl_Widget* press = box;
  for (int i = 0; i < box->children(); ++i)
    if (auto* button = dynamic_cast<Fl_Button*>(box->child(i))) {
      buttons.push_back(button->label() ? button->label() : "");
      if (buttons.back() == "Ne pas enregistrer") press = button;
    }
  press->do_callback();
}

// Found by the sanitizer build: the default button took the keys while the
// box was being built, after which FLTK added no further widget to the box,
// so "Ne pas enregistrer" and "Annuler" were neither shown nor freed.
TEST(FltkDialogs, SaveQuestionShowsAllThreeButtonsAndGivesTheKeysBack) {
  std::string reason;
  if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server: " << reason;
  Fl_Window window(0, 0, 200, 100);
  Fl_Input input(10, 10, 180, 30);
  window.end();
  window.show();
  window.wait_for_expose();
  Fl::focus(&input);
  owner = &window;
  Fl::add_timeout(0.05, inspectAndPress);
  EXPECT_EQ(askSaveQuestion("Le texte du script a été modifié.", "VexoCad"), SaveAnswer::Discard);
  EXPECT_EQ(buttons, (std::vector<std::string>{"Enregistrer", "Ne pas enregistrer", "Annuler"}));
  EXPECT_EQ(Fl::focus(), &input);
  window.hide();
}

}  // namespace
