// Document files: opening and saving keep a file's bytes, its encoding and
// its line ends; lines stay whole; a failing save leaves the old file; saving
// keeps a file's protection, owner, mode and links; bad files are refused
// with a reason; a cancelled dialog changes nothing; recovery copies follow
// unsaved text.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/core_editor.h"
#include "shell/documents.h"
#include "shell/recovery.h"

namespace fs = std::filesystem;

namespace {

std::string* chosenPath = nullptr;  // what the test's file dialog returns

class Documents : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vexocad_documents_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    editor = makeHeadlessEditor();
    newDocument(name, editor);
    setFileNameChooser(nullptr);
  }
  void TearDown() override {
    destroyHeadlessEditor(editor);
    fs::remove_all(dir);
    setFileNameChooser(nullptr);
  }

  std::string path(const char* file) { return (dir / file).string(); }
  void write(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
  std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  bool open(const std::string& p) {
    std::snprintf(name, sizeof name, "%s", p.c_str());
    return openDocumentFile(name, editor);
  }
  // Opens, saves without any change, and returns the bytes on disk.
  std::string roundTrip(const std::string& bytes) {
    const std::string p = path("doc.vxo");
    write(p, bytes);
    EXPECT_TRUE(open(p));
    EXPECT_TRUE(saveDocument(name, editor));
    return read(p);
  }

  fs::path dir;
  char name[260];
  Editor editor;
};

TEST_F(Documents, UnchangedFilesKeepTheirBytes) {
  const std::string cases[] = {
      "#0\r\n#5 %0\r\n@ c o1",                       // CR LF, no final line end
      "#0\r\n#5 %0\r\n",                             // CR LF with a final line end
      "#0\n#5 %0\n",                                 // LF
      "\xA4" "3 %p \xA7 rem \xE9t\xE9\n#0",          // Windows-1252 bytes
      "rem \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xE4\xBD\xA0\n#0\n",  // UTF-8, with a character 1252 lacks
      "\xEF\xBB\xBF#0\r\nrem \xC3\xA9\r\n",          // UTF-8 with a byte-order mark
      "#0\n" + std::string(300, 'x') + "\n" + std::string(258, 'y') + "\n",  // long lines
      "",                                            // empty file
      "a\r\r\nb",                                    // a lone CR inside a line
  };
  for (const std::string& bytes : cases) EXPECT_EQ(roundTrip(bytes), bytes);
}

// Found by fuzzing the document reader: a file that mixed CR LF and LF ends
// was saved with the first line's end everywhere, and a byte-order mark in
// front of Windows-1252 text was dropped on saving.
TEST_F(Documents, MixedLineEndsAndAMarkBeforeWindows1252KeepTheirBytes) {
  const std::string cases[] = {
      "\r\n\n",                                     // as the fuzzer found it
      "#8\r\n#13 %p1 @ h3 c1\n#8\r\n",              // CR LF first, then LF
      "#8\n#13\r\n",                                // LF first, then CR LF
      "\xEF\xBB\xBF\x8F",                            // as the fuzzer found it
      "\xEF\xBB\xBF\xA4" "8 \xE9\n",                 // mark, then Windows-1252
  };
  for (const std::string& bytes : cases) EXPECT_EQ(roundTrip(bytes), bytes);
  // The compiler still sees the lines without their CRs' effect: a CR is a blank.
  write(path("mixed.vxo"), "#8\r\n#13\n");
  ASSERT_TRUE(open(path("mixed.vxo")));
  EXPECT_EQ(readEditorLines(editor), (std::vector<std::string>{"#8\r", "#13", ""}));
  EXPECT_FALSE(currentDocumentFormat().crlf);
}

TEST_F(Documents, OpeningGivesOneEditorLinePerFileLineInWindows1252) {
  const std::string longLine(300, 'x');
  write(path("a.vxo"), "#0\r\n" + longLine + "\r\n\xA4" "1\r\n");
  ASSERT_TRUE(open(path("a.vxo")));
  const std::vector<std::string> expected = {"#0", longLine, "\xA4" "1", ""};
  EXPECT_EQ(readEditorLines(editor), expected);
  EXPECT_TRUE(currentDocumentFormat().crlf);
  EXPECT_EQ(currentDocumentFormat().encoding, TextEncoding::Cp1252);

  write(path("u.vxo"), "\xC2\xA4" "1 rem \xC3\xA9");  // the same marker written in UTF-8
  ASSERT_TRUE(open(path("u.vxo")));
  EXPECT_EQ(readEditorLine(editor, 0), "\xA4" "1 rem \xE9");
  EXPECT_EQ(currentDocumentFormat().encoding, TextEncoding::Utf8);
}

TEST_F(Documents, EditedTextIsSavedInTheFilesOwnForm) {
  write(path("crlf.vxo"), "#0\r\nrem \xE9\r\n");
  ASSERT_TRUE(open(path("crlf.vxo")));
  appendEditorLine(editor, "#5 %0 \xA4");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(read(path("crlf.vxo")), "#0\r\nrem \xE9\r\n\r\n#5 %0 \xA4");

  write(path("utf8.vxo"), "rem \xC3\xA9\n");
  ASSERT_TRUE(open(path("utf8.vxo")));
  appendEditorLine(editor, "\xA4" "2");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(read(path("utf8.vxo")), "rem \xC3\xA9\n\n\xC2\xA4" "2");

  write(path("mac.vxo"), "// c\r#0\r");  // classic Mac line ends: CR alone
  ASSERT_TRUE(open(path("mac.vxo")));
  EXPECT_EQ(readEditorLines(editor), (std::vector<std::string>{"// c", "#0", ""}));
  appendEditorLine(editor, "#5 %0");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(read(path("mac.vxo")), "// c\r#0\r\r#5 %0");
}

TEST_F(Documents, NewDocumentsAreSavedAsWindows1252WithLineFeeds) {
  appendEditorLine(editor, "\xA4" "0 \xE9");
  setFileNameChooser([](bool forSaving, std::string* p) {
    EXPECT_TRUE(forSaving);
    *p = (fs::temp_directory_path() / ("vexocad_documents_" + std::to_string(::getpid())) / "new.vxo").string();
    return true;
  });
  ASSERT_TRUE(isUntitled(name));
  ASSERT_TRUE(saveDocument(name, editor));  // untitled: goes through the dialog
  EXPECT_EQ(std::string(name), path("new.vxo"));
  EXPECT_EQ(read(path("new.vxo")), "\n\xA4" "0 \xE9");
  EXPECT_FALSE(documentChanged(editor));
  struct stat st;
  ASSERT_EQ(::stat(path("new.vxo").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0044, 0u) << "a new file gets the usual permissions, not those of a temporary file";
}

TEST_F(Documents, TextThatWindows1252CannotHoldIsSavedAsUtf8) {
  write(path("a.vxo"), "#0\n");
  ASSERT_TRUE(open(path("a.vxo")));
  setEditorTextUtf8(editor, "#0\nrem \xE4\xBD\xA0");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(read(path("a.vxo")), "#0\nrem \xE4\xBD\xA0");
}

TEST_F(Documents, AFailingSaveKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string p = path("keep.vxo");
  write(p, "#0\n#1 %0\n");
  ASSERT_TRUE(open(p));
  setEditorTextUtf8(editor, std::string(200000, 'x'));
  // A file-size limit makes the write itself fail, even for root.
  rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = saveDocument(name, editor);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(saved);
  EXPECT_EQ(lastDocumentError(), DocumentError::DiskFull);
  EXPECT_EQ(read(p), "#0\n#1 %0\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  EXPECT_TRUE(documentChanged(editor));

  // Written in place (a hard link): the old content is put back whole.
  fs::create_hard_link(p, path("other.vxo"));
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_FALSE(saveDocument(name, editor));
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(lastDocumentError(), DocumentError::DiskFull);
  EXPECT_EQ(read(path("other.vxo")), "#0\n#1 %0\n");

  // A failed Save As keeps the previous name.
  setFileNameChooser([](bool, std::string* chosen) {
    *chosen = (fs::temp_directory_path() / ("vexocad_documents_" + std::to_string(::getpid())) / "new.vxo").string();
    return true;
  });
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_FALSE(saveDocumentAs(name, editor));
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(std::string(name), p);

  // A directory or a missing folder cannot be saved to either.
  std::string chosen = dir.string();
  setFileNameChooser([](bool, std::string* c) { return *c = *chosenPath, true; });
  chosenPath = &chosen;
  EXPECT_FALSE(saveDocumentAs(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::NotAFile);
  chosen = path("missing/x.vxo");
  EXPECT_FALSE(saveDocumentAs(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::FolderMissing);
  EXPECT_EQ(std::string(name), p);
}

TEST_F(Documents, AFileNobodyMayWriteIsRefusedEvenForRootAndStays) {
  const std::string p = path("locked.vxo");
  write(p, "old");
  ::chmod(p.c_str(), 0444);
  ASSERT_TRUE(open(p));
  setEditorTextUtf8(editor, "new");
  EXPECT_FALSE(saveDocument(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::ReadOnly);
  EXPECT_STRNE(documentErrorReason(DocumentError::ReadOnly), "");
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(read(p), "old");
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(Documents, SavingKeepsOwnerGroupModeAndHardLinks) {
  const std::string p = path("theirs.vxo");
  write(p, "old");
  ::chmod(p.c_str(), 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);  // another user's file
  }
  ASSERT_TRUE(open(p));
  setEditorTextUtf8(editor, "new");
  ASSERT_TRUE(saveDocument(name, editor));
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(read(p), "new");
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }

  fs::create_hard_link(p, path("link.vxo"));
  setEditorTextUtf8(editor, "newer");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(read(path("link.vxo")), "newer");
  EXPECT_EQ(fs::hard_link_count(p), 2u);
}

TEST_F(Documents, ANameNeverOpenedNorChosenIsAskedForBeforeSaving) {
  std::snprintf(name, sizeof name, "%s", path("missing.vxo").c_str());  // as start-up leaves it
  setEditorTextUtf8(editor, "#0");
  EXPECT_FALSE(saveDocument(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::Cancelled);
  EXPECT_FALSE(fs::exists(path("missing.vxo")));
}

TEST_F(Documents, SavingThroughASymbolicLinkReplacesTheFileItNames) {
  write(path("real.vxo"), "old");
  fs::create_symlink(path("real.vxo"), path("link.vxo"));
  ASSERT_TRUE(open(path("link.vxo")));
  setEditorTextUtf8(editor, "new");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_TRUE(fs::is_symlink(path("link.vxo")));
  EXPECT_EQ(read(path("real.vxo")), "new");

  // A dangling link makes the file it names, when its folder exists.
  fs::create_symlink("made.vxo", path("dangling.vxo"));
  fs::create_symlink(path("nowhere/x.vxo"), path("lost.vxo"));
  std::string chosen = path("dangling.vxo");
  chosenPath = &chosen;
  setFileNameChooser([](bool, std::string* c) { return *c = *chosenPath, true; });
  ASSERT_TRUE(saveDocumentAs(name, editor));
  EXPECT_TRUE(fs::is_symlink(path("dangling.vxo")));
  EXPECT_EQ(read(path("made.vxo")), "new");
  chosen = path("lost.vxo");
  EXPECT_FALSE(saveDocumentAs(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::FolderMissing);
  EXPECT_TRUE(fs::is_symlink(path("lost.vxo")));
}

TEST_F(Documents, RecoveryCopiesFollowUnsavedTextAndOnlyThoseOfEndedProcessesAreOffered) {
  ::setenv("XDG_STATE_HOME", dir.c_str(), 1);
  const std::string folder = recoveryFolder(), own = folder + "/recovery-" + std::to_string(::getpid()) + ".vxo";
  setEditorTextUtf8(editor, "#0 \xC2\xA4");
  keepRecoveryCopy(editor, true);
  EXPECT_EQ(read(own), "#0 \xC2\xA4");
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const std::string left = folder + "/recovery-" + std::to_string(ended) + ".vxo";
  write(left, "lost");
  write(folder + "/recovery-1.vxo", "");  // process 1 still runs
  write(folder + "/recovery-x.vxo", "");
  EXPECT_EQ(orphanedRecoveryCopies(), std::vector<std::string>{left});
  markDocumentUnchanged(editor);  // saved
  keepRecoveryCopy(editor, true);
  EXPECT_FALSE(fs::exists(own));
  ::unsetenv("XDG_STATE_HOME");
}

TEST_F(Documents, BadFilesAreRefusedWithAReasonAndTheEditorKeepsItsText) {
  setEditorTextUtf8(editor, "kept");
  write(path("binary.vxo"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  fs::create_directory(path("folder.vxo"));
  const std::string big = path("big.vxo");
  write(big, "");
  fs::resize_file(big, uintmax_t(maxDocumentBytes) + 1);  // sparse: costs no disk
  const struct {
    std::string file;
    DocumentError error;
  } cases[] = {{path("missing.vxo"), DocumentError::CannotOpen},
               {path("binary.vxo"), DocumentError::Binary},
               {path("folder.vxo"), DocumentError::NotAFile},
               {big, DocumentError::TooLarge}};
  for (const auto& c : cases) {
    EXPECT_FALSE(open(c.file)) << c.file;
    EXPECT_EQ(lastDocumentError(), c.error) << c.file;
    EXPECT_EQ(editorTextUtf8(editor), "kept");
  }
  EXPECT_STRNE(documentErrorReason(DocumentError::Binary), "");
}

TEST_F(Documents, ACancelledDialogChangesNothing) {
  write(path("a.vxo"), "#0");
  ASSERT_TRUE(open(path("a.vxo")));
  setFileNameChooser([](bool, std::string*) { return false; });
  EXPECT_FALSE(openDocumentDialog(name, editor));
  EXPECT_EQ(lastDocumentError(), DocumentError::Cancelled);
  EXPECT_EQ(std::string(name), path("a.vxo"));
  EXPECT_FALSE(saveDocumentAs(name, editor));
  EXPECT_EQ(std::string(name), path("a.vxo"));
  EXPECT_EQ(readEditorLines(editor), std::vector<std::string>{"#0"});
}

TEST_F(Documents, OpenDialogOnAnUnreadableChoiceKeepsTheOldName) {
  write(path("a.vxo"), "#0");
  ASSERT_TRUE(open(path("a.vxo")));
  setFileNameChooser([](bool, std::string* p) {
    *p = "/nonexistent/vexocad/b.vxo";
    return true;
  });
  EXPECT_FALSE(openDocumentDialog(name, editor));
  EXPECT_EQ(std::string(name), path("a.vxo"));
}

TEST_F(Documents, UntitledIsRecognisedInAnyCaseAndChangesAreTracked) {
  for (const char* n : {"sans titre", "SANS TITRE", "Sans Titre"}) EXPECT_TRUE(isUntitled(n));
  EXPECT_FALSE(isUntitled("sans titre.vxo"));
  EXPECT_FALSE(documentChanged(editor));
  appendEditorLine(editor, "#0");
  EXPECT_TRUE(documentChanged(editor));
  undoInsertion(editor);
  EXPECT_FALSE(documentChanged(editor)) << "undoing back to the saved text is no change";
  appendEditorLine(editor, "#0");
  newDocument(name, editor);
  EXPECT_FALSE(documentChanged(editor));
  EXPECT_STREQ(name, "sans titre");
}

}  // namespace
