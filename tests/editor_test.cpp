// The editor operations against both editors, the headless one and FLTK's
// text widget: the same contract, run on each. The syntax colours, line by
// line and as the widget keeps them while the text changes. And the program's own modal
// boxes on FLTK: every button is in the box, the pressed one is the answer,
// and the keys go back to the widget that had them.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/Fl_Window.H>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/dialogs.h"
#include "platform/fltk_editor.h"
#include "script/syntax_colours.h"
#include "support/virtual_display.h"

namespace {

class EditorContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) return void(editor = makeHeadlessEditor());
    std::string reason;
    if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server for the FLTK widget: " << reason;
    widget = std::make_unique<ScriptEditor>(0, 0, 400, 600);
    editor = makeFltkEditor(widget.get());
  }
  void TearDown() override { GetParam() ? destroyFltkEditor(editor) : destroyHeadlessEditor(editor); }
  void type(const std::string& keys) { for (char c : keys) editor.ops->typeCharacter(editor.state, c); }
  std::string selected() {
    size_t start = 0, end = 0;
    editor.ops->selection(editor.state, &start, &end);
    return editorTextUtf8(editor).substr(start, end - start);
  }
  Editor editor;
  std::unique_ptr<ScriptEditor> widget;
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
    widget->buffer()->insert(0, "x");
    widget->buffer()->remove(0, 1);
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

  selectAllText(editor);
  editor.ops->replaceSelection(editor.state, "xyz", true);
  undoEditor(editor);
  EXPECT_EQ(readEditorLines(editor), script);
  undoEditor(editor);  // nothing more to undo
  EXPECT_EQ(readEditorLines(editor), script);

  clearEditorText(editor);
  editor.ops->typeCharacter(editor.state, '\b');  // nothing to erase at the start
  EXPECT_EQ(editorTextUtf8(editor), "");
  appendEditorLine(editor, "\xE9");  // é: two bytes in the editor, one in the script
  editor.ops->typeCharacter(editor.state, '\b');
  EXPECT_EQ(editorTextUtf8(editor), "\n");
}

// Many levels: characters typed one after another are one step up to a line
// break, an operation's change is a step of its own, typing over a selection
// is one step; redo puts back what undo took until the text changes otherwise.
TEST_P(EditorContract, UndoAndRedoManyLevels) {
  loadEditorLines(editor, lines({"#0"}));
  editor.ops->selectEnd(editor.state);
  type("\n#1\n#2");
  appendEditorLine(editor, "#3");
  type("\b\b");
  const char* const texts[] = {"#0\n#1\n#2\n", "#0\n#1\n#2\n#3", "#0\n#1\n#2", "#0\n#1", "#0"};
  for (const char* text : texts) {
    EXPECT_EQ(editorTextUtf8(editor), text);
    undoEditor(editor);
  }
  for (int i = 4; i >= 0; --i) {
    EXPECT_EQ(editorTextUtf8(editor), texts[i]);
    redoEditor(editor);
  }
  undoEditor(editor);
  type("y");  // the redo is lost
  redoEditor(editor);
  EXPECT_EQ(editorTextUtf8(editor), "#0\n#1\n#2\n#3y");
  selectAllText(editor);
  type("zz");
  undoEditor(editor);
  EXPECT_EQ(editorTextUtf8(editor), "#0\n#1\n#2\n#3y");
}

// The caret's line, moving it to a line, marks, and finding the next match
// in either case of ASCII letters, from the start again after the end.
TEST_P(EditorContract, CaretLinesMarksAndFind) {
  loadEditorLines(editor, lines({"#0", "#5 %0 rem Rot", "rot 0 0 1"}));
  EXPECT_EQ(editorCaretLine(editor), 1);
  moveEditorCaretToLine(editor, 3);
  type("x");
  EXPECT_EQ(readEditorLine(editor, 2), "xrot 0 0 1");
  moveEditorCaretToLine(editor, 99);  // the start of the last line
  EXPECT_EQ(editorCaretLine(editor), 3);
  markEditorLines(editor, {2, 3});
  EXPECT_TRUE(findInEditor(editor, "ROT"));
  EXPECT_EQ(editorCaretLine(editor), 3);
  EXPECT_TRUE(findInEditor(editor, "ROT"));
  EXPECT_EQ(selected() + " " + std::to_string(editorCaretLine(editor)), "Rot 2");
  EXPECT_FALSE(findInEditor(editor, "trans"));
  EXPECT_EQ(selected(), "Rot");
}

INSTANTIATE_TEST_SUITE_P(BothEditors, EditorContract, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Fltk" : "Headless"; });

// Style letters per byte: A plain, B comment, C piece, D reference or port,
// E keyword, F variable, G number.
TEST(SyntaxColours, EachWordTakesTheStyleOfWhatTheCompilerReadsItAs) {
  const struct { const char* line; bool openBefore; const char* styles; bool openAfter; } cases[] = {
      {"#8 %p1 @ h3 c1 couleur=0000FF", false, "CCADDDADADDADDAEEEEEEEEEEEEEE", false},
      {"int $a=5 \xC2\xA4" "13 rot 0 -90 1.5", false, "EEEAFFFFACCCCAEEEAGAGGGAGGG", false},
      {"REPETE 3 // #8", false, "EEEEEEAGABBBBB", false},
      {"#8 /* #8", false, "CCABBABB", true},
      {"#8 */ #8 /*x*/ si", true, "BBABBACCABBBBBAEE", false},
      {"/*x*/ #8 // */", true, "BBBBBABBABBBBB", true},
      {"declare a R %p1 1 rot 0 0 -1 findeclare", false,
       "EEEEEEEAAAAADDDAGAEEEAGAGAGGAEEEEEEEEEE", false},
  };
  for (const auto& c : cases) {
    std::string styles(std::strlen(c.line), '?');
    EXPECT_EQ(styleScriptLine(c.line, styles.size(), styles.data(), c.openBefore), c.openAfter) << c.line;
    EXPECT_EQ(styles, c.styles) << c.line;
  }
}

// The widget colours what a change touches, and the lines after it while a
// block comment opened or closed there changes them.
TEST(SyntaxColours, TheWidgetFollowsEdits) {
  std::string reason;
  if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server for the FLTK widget: " << reason;
  ScriptEditor widget(0, 0, 400, 600);
  widget.setStyling(scriptStyling());
  Editor editor = makeFltkEditor(&widget);
  setEditorTextUtf8(editor, "#8\n#8\n#8");
  auto lineStarts = [&] { return std::string{widget.styleAt(0), widget.styleAt(3), widget.styleAt(6)}; };
  EXPECT_EQ(lineStarts(), "CCC");
  editor.ops->moveCaretToLine(editor.state, 2);
  editor.ops->replaceSelection(editor.state, "/* ", true);
  EXPECT_EQ(lineStarts(), "CBB");
  undoEditor(editor);
  EXPECT_EQ(lineStarts(), "CCC");
  destroyFltkEditor(editor);
}

Fl_Window* owner = nullptr;
std::vector<std::string> buttons;  // of the box, seen from inside its event loop
std::vector<std::string> cramped;  // the buttons whose label (and Enter glyph) do not fit, or overlap the next

// Notes the box's buttons and presses "Ne pas enregistrer" (or closes the
// box, which cancels).
void inspectAndPress(void*) {
  Fl_Window* box = Fl::first_window();
  while (box && box == owner) box = Fl::next_window(box);
  if (!box) return Fl::repeat_timeout(0.05, inspectAndPress);
  Fl_Widget* press = box;
  int right = 0;  // of the button before
  for (int i = 0; i < box->children(); ++i)
    if (auto* button = dynamic_cast<Fl_Button*>(box->child(i))) {
      buttons.push_back(button->label() ? button->label() : "");
      if (buttons.back() == "Ne pas enregistrer") press = button;
      int width = 0, height = 0;
      fl_font(button->labelfont(), button->labelsize());
      fl_measure(button->label(), width, height, 0);
      const int glyph = dynamic_cast<Fl_Return_Button*>(button) ? button->h() : 0;  // drawn in a square of the height
      if (width + glyph + 8 > button->w() || button->x() < right) cramped.push_back(buttons.back());
      right = button->x() + button->w();
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
  EXPECT_EQ(cramped, std::vector<std::string>{});
  EXPECT_EQ(Fl::focus(), &input);
  window.hide();
}

std::vector<std::string> clippedTexts;  // of the form, seen from inside its event loop

// Notes the texts that do not fit their box or the form, and closes it.
void inspectTextsAndClose(void*) {
  Fl_Window* form = Fl::first_window();
  if (!form) return Fl::repeat_timeout(0.05, inspectTextsAndClose);
  for (int i = 0; i < form->children(); ++i) {
    Fl_Widget* w = form->child(i);
    if (!w->label() || dynamic_cast<Fl_Button*>(w) || dynamic_cast<Fl_Input*>(w) || !(w->align() & FL_ALIGN_INSIDE))
      continue;
    int width = 0, height = 0;
    fl_font(w->labelfont(), w->labelsize());
    fl_measure(w->label(), width, height, 0);
    if (!(w->align() & FL_ALIGN_WRAP) && (width > w->w() || w->x() + w->w() > form->w())) clippedTexts.push_back(w->label());
  }
  form->hide();
}

// The export dialog's size beside its field: a long one is shown whole.
TEST(FltkDialogs, AFormsTextBesideAFieldIsShownWhole) {
  std::string reason;
  if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server: " << reason;
  Form form;
  form.title = "Exporter le modèle";
  FormField side, size;
  side.type = FormField::NUMBER, side.label = "Côté max. (&mm) :", side.value = "1000,0", side.width = 80;
  size.type = FormField::LABEL, size.value = "1 000,0 × 1 000,0 mm au sol, 1 000,0 mm de haut", size.besideLast = true;
  form.fields = {side, size};
  Fl::add_timeout(0.05, inspectTextsAndClose);
  EXPECT_FALSE(showForm(form));
  EXPECT_EQ(clippedTexts, std::vector<std::string>{});
}

}  // namespace
