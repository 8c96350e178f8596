// The editor operations against both editors, the headless one and FLTK's
// text widget (no display needed): the same contract, run on each.
#include <gtest/gtest.h>

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <memory>
#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/fltk_editor.h"
#include "support/virtual_display.h"

namespace {

struct EditorUnderTest {
  Editor editor;
  std::unique_ptr<Fl_Text_Editor> widget;
  ~EditorUnderTest() {
    if (widget) {
      Fl_Text_Buffer* buffer = widget->buffer();
      widget.reset();
      delete buffer;
    } else {
      destroyHeadlessEditor(editor);
    }
  }
};

class EditorContract : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      std::string reason;
      if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server for the FLTK widget: " << reason;
      subject.widget = std::make_unique<Fl_Text_Editor>(0, 0, 400, 600);
      subject.widget->buffer(new Fl_Text_Buffer);
      subject.editor = makeFltkEditor(subject.widget.get());
    } else {
      subject.editor = makeHeadlessEditor();
    }
  }
  const Editor& e() { return subject.editor; }
  EditorUnderTest subject;
};

std::vector<std::string> lines(std::initializer_list<const char*> l) { return {l.begin(), l.end()}; }

TEST_P(EditorContract, AppendedLineThenUndoInsertionRestoresTheTextExactly) {
  for (const std::string& start : {std::string(""), std::string("#0"), std::string("#0\n#5 %0\n"),
                                   std::string("line with \xC3\xA9 accent")}) {
    setEditorTextUtf8(e(), start);
    appendEditorLine(e(), "#12 %p1 @ c o1");
    EXPECT_EQ(editorTextUtf8(e()), start + "\n#12 %p1 @ c o1");
    undoInsertion(e());
    EXPECT_EQ(editorTextUtf8(e()), start) << "start text: " << start;
  }
}

TEST_P(EditorContract, AppendOnEmptyEditorLeavesAnEmptyFirstLine) {
  appendEditorLine(e(), "\xA4" "3 %p");  // the frame marker byte of Windows-1252
  EXPECT_EQ(editorLineCount(e()), 2);
  EXPECT_EQ(readEditorLine(e(), 0), "");
  EXPECT_EQ(readEditorLine(e(), 1), "\xA4" "3 %p");
  EXPECT_EQ(editorTextUtf8(e()), "\n\xC2\xA4" "3 %p");  // UTF-8 inside the editor
}

TEST_P(EditorContract, TwoInsertionsUndoOnlyTheLast) {
  loadEditorLines(e(), lines({"#0"}));
  appendEditorLine(e(), "#1 %0");
  appendEditorLine(e(), "#2 %1");
  undoInsertion(e());
  EXPECT_EQ(readEditorLines(e()), lines({"#0", "#1 %0"}));
}

// What "Annuler insertion" relies on: whether the appended line is still
// the change an undo takes back, whoever changed the text since.
TEST_P(EditorContract, AppendedLineStaysTheLastChangeUntilTheTextChanges) {
  loadEditorLines(e(), lines({"#0"}));
  EXPECT_FALSE(appendedLineIsLastChange(e())) << "nothing appended yet";
  appendEditorLine(e(), "#1 %0");
  EXPECT_TRUE(appendedLineIsLastChange(e()));
  selectAllText(e());
  readEditorLines(e());
  EXPECT_TRUE(appendedLineIsLastChange(e())) << "selecting and reading change nothing";
  const unsigned long before = editorChangeCount(e());
  if (GetParam()) {
    // Typing reaches FLTK's buffer without going through the operations.
    subject.widget->buffer()->insert(0, "x");
    subject.widget->buffer()->remove(0, 1);
  } else {
    e().ops->selectEnd(e().state);
    e().ops->typeCharacter(e().state, 'x');
    e().ops->typeCharacter(e().state, '\b');
  }
  EXPECT_GT(editorChangeCount(e()), before);
  EXPECT_FALSE(appendedLineIsLastChange(e())) << "the same text, but the user's change is the last";
  appendEditorLine(e(), "#2 %1");
  undoInsertion(e());
  EXPECT_FALSE(appendedLineIsLastChange(e()));
  EXPECT_EQ(readEditorLines(e()), lines({"#0", "#1 %0"}));
}

TEST_P(EditorContract, LoadedLinesReadBackLineByLineInWindows1252) {
  const std::vector<std::string> script = {"#0", "", "couleur=FF0000 \xA7 rem", std::string(300, 'x'), "fin"};
  loadEditorLines(e(), script);
  EXPECT_EQ(editorLineCount(e()), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(readEditorLine(e(), i), script[size_t(i)]);
  EXPECT_EQ(readEditorLines(e()), script);
  EXPECT_EQ(readEditorLine(e(), 5), "");
  // Nothing is left to undo after loading.
  undoEditor(e());
  EXPECT_EQ(readEditorLines(e()), script);
}

TEST_P(EditorContract, EmptyEditorIsOneEmptyLineAndClearing) {
  EXPECT_EQ(editorLineCount(e()), 1);
  EXPECT_EQ(readEditorLines(e()), lines({""}));
  loadEditorLines(e(), lines({"a", "b"}));
  clearEditorText(e());
  EXPECT_EQ(editorTextUtf8(e()), "");
}

TEST_P(EditorContract, SelectAllThenReplaceAndUndoTwice) {
  loadEditorLines(e(), lines({"abc", "def"}));
  selectAllText(e());
  e().ops->replaceSelection(e().state, "xyz", true);
  EXPECT_EQ(editorTextUtf8(e()), "xyz");
  undoEditor(e());
  EXPECT_EQ(editorTextUtf8(e()), "abc\ndef");
  undoEditor(e());  // a second undo puts the change back
  EXPECT_EQ(editorTextUtf8(e()), "xyz");
}

TEST_P(EditorContract, BackspaceErasesWholeCharactersAndNothingAtTheStart) {
  setEditorTextUtf8(e(), "");
  e().ops->typeCharacter(e().state, '\b');
  EXPECT_EQ(editorTextUtf8(e()), "");
  appendEditorLine(e(), "\xE9");  // é: two bytes in the editor, one in the script
  e().ops->typeCharacter(e().state, '\b');
  EXPECT_EQ(editorTextUtf8(e()), "\n");
}

INSTANTIATE_TEST_SUITE_P(BothEditors, EditorContract, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Fltk" : "Headless"; });

TEST(EditorWithoutWidget, OperationsDoNothing) {
  Editor none;
  appendEditorLine(none, "#0");
  undoInsertion(none);
  EXPECT_EQ(editorLineCount(none), 0);
  EXPECT_TRUE(readEditorLines(none).empty());
}

}  // namespace
