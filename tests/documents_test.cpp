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

#include <filesystem>
#include <string>

#include "platform/core_editor.h"
#include "shell/documents.h"
#include "shell/recovery.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

std::string chosen;  // what the test's file dialog returns; "" cancels it
bool askedForSaving = false;

class Documents : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = makeTempDir();
    editor = makeHeadlessEditor();
    newDocument(name, editor);
    chosen.clear();
    setFileNameChooser([](bool saving, std::string* p) { return askedForSaving = saving, *p = chosen, !p->empty(); });
  }
  void TearDown() override {
    destroyHeadlessEditor(editor);
    fs::remove_all(dir);
    setFileNameChooser(nullptr);
  }

  std::string path(const char* file) { return dir + "/" + file; }
  bool open(const std::string& p, const char* text = nullptr) {
    std::snprintf(name, sizeof name, "%s", p.c_str());
    const bool opened = openDocumentFile(name, editor);
    if (text) setEditorTextUtf8(editor, text);
    return opened;
  }
  // Why a save failed, None when it did not.
  static DocumentError error(bool saved) { return saved ? DocumentError::None : lastDocumentError(); }
  // Saves with the file size limited to 4 kB: the write itself fails, even for root.
  DocumentError saveOnAFullDisk(bool (*save)(char*, const Editor&)) {
    rlimit old, small;
    ::getrlimit(RLIMIT_FSIZE, &old);
    small = old;
    small.rlim_cur = 4096;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = save(name, editor);
    ::setrlimit(RLIMIT_FSIZE, &old);
    return error(saved);
  }

  std::string dir;
  char name[260];
  Editor editor;
};

// Opened, then saved unchanged or edited: one editor line per file line, in
// Windows-1252 for the compiler, and the file's own bytes, encoding and line
// ends. The mixed ends and the marks were found by fuzzing the reader: a
// file mixing CR LF and LF was saved with the first line's end everywhere,
// and a byte-order mark in front of Windows-1252 text was dropped.
TEST_F(Documents, FilesKeepTheirBytesAndEditedTextTheirForm) {
  const std::string longLine(300, 'x');
  const struct {
    std::string before;
    std::vector<std::string> lines = {};  // as opened, when given
    std::string text = "", after = "";    // edited (UTF-8) and saved, when given
  } cases[] = {
      {"#0\r\n#5 %0\r\n@ c o1"},                                  // CR LF, no final line end
      {"#0\n#5 %0\n"},                                            // LF
      {"\xA4" "3 %p \xA7 rem \xE9t\xE9\n#0"},                     // Windows-1252 bytes
      {"rem \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xE4\xBD\xA0\n#0\n"},  // UTF-8, with a character 1252 lacks
      {"\xEF\xBB\xBF#0\r\nrem \xC3\xA9\r\n"},                     // UTF-8 with a byte-order mark
      {"#0\n" + longLine + "\n" + std::string(258, 'y') + "\n"},  // long lines
      {""},
      {"a\r\r\nb"},                                               // a lone CR inside a line
      {"\r\n\n"},                                                 // mixed ends, as the fuzzer found them
      {"#8\r\n#13 %p1 @ h3 c1\n#8\r\n"},                          // CR LF first, then LF
      {"#8\n#13\r\n", {"#8", "#13\r", ""}},                       // LF first: the CR stays, a blank
      {"\xEF\xBB\xBF\x8F"},                                       // a mark, as the fuzzer found it
      {"\xEF\xBB\xBF\xA4" "8 \xE9\n"},                            // a mark, then Windows-1252
      {"#0\r\n" + longLine + "\r\nrem \xE9\r\n", {"#0", longLine, "rem \xE9", ""},
       "#0\n" + longLine + "\nrem \xC3\xA9\n\n#5 %0 \xC2\xA4", "#0\r\n" + longLine + "\r\nrem \xE9\r\n\r\n#5 %0 \xA4"},
      {"\xC2\xA4" "1 rem \xC3\xA9\n", {"\xA4" "1 rem \xE9", ""}, "\xC2\xA4" "1\n\xC2\xA4" "2",
       "\xC2\xA4" "1\n\xC2\xA4" "2"},
      {"// c\r#0\r", {"// c", "#0", ""}, "// c\n#0\n\n#5 %0", "// c\r#0\r\r#5 %0"},  // CR alone
      {"#0\n", {"#0", ""}, "#0\nrem \xE4\xBD\xA0", "#0\nrem \xE4\xBD\xA0"},  // 1252 cannot hold it: UTF-8
  };
  for (const auto& c : cases) {
    writeFile(path("doc.vxo"), c.before);
    ASSERT_TRUE(open(path("doc.vxo")));
    if (!c.lines.empty()) {
      EXPECT_EQ(readEditorLines(editor), c.lines);
    }
    if (!c.text.empty()) setEditorTextUtf8(editor, c.text);
    EXPECT_TRUE(saveDocument(name, editor));
    EXPECT_EQ(readFile(path("doc.vxo")), c.text.empty() ? c.before : c.after);
  }
}

TEST_F(Documents, NewDocumentsAreSavedAsWindows1252WithLineFeedsThroughTheDialog) {
  appendEditorLine(editor, "\xA4" "0 \xE9");
  EXPECT_TRUE(documentChanged(editor));
  chosen = path("new.vxo");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_TRUE(askedForSaving);
  EXPECT_EQ(std::string(name), chosen);
  EXPECT_EQ(readFile(chosen), "\n\xA4" "0 \xE9");
  EXPECT_FALSE(documentChanged(editor));
  EXPECT_NE(fs::status(chosen).permissions() & fs::perms(0044), fs::perms::none) << "not a temporary file's mode";
  appendEditorLine(editor, "#0");
  undoInsertion(editor);
  EXPECT_FALSE(documentChanged(editor)) << "undoing back to the saved text is no change";
  appendEditorLine(editor, "#0");
  newDocument(name, editor);
  EXPECT_FALSE(documentChanged(editor));
  EXPECT_STREQ(name, "sans titre");
}

TEST_F(Documents, AFailingSaveKeepsTheOldFileAndTheNameAndSaysWhy) {
  const std::string p = path("keep.vxo");
  writeFile(p, "#0\n#1 %0\n");
  ASSERT_TRUE(open(p));
  setEditorTextUtf8(editor, std::string(200000, 'x'));
  EXPECT_EQ(saveOnAFullDisk(saveDocument), DocumentError::DiskFull);
  EXPECT_EQ(readFile(p), "#0\n#1 %0\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";
  EXPECT_TRUE(documentChanged(editor));

  fs::create_hard_link(p, path("other.vxo"));  // written in place: the old content is put back whole
  EXPECT_EQ(saveOnAFullDisk(saveDocument), DocumentError::DiskFull);
  EXPECT_EQ(readFile(path("other.vxo")), "#0\n#1 %0\n");

  const struct { std::string chosen; DocumentError error; } saveAs[] = {
      {path("new.vxo"), DocumentError::DiskFull}, {dir, DocumentError::NotAFile},
      {path("missing/x.vxo"), DocumentError::FolderMissing}};
  for (const auto& c : saveAs) {
    chosen = c.chosen;
    EXPECT_EQ(saveOnAFullDisk(saveDocumentAs), c.error) << c.chosen;
    EXPECT_EQ(std::string(name), p);
    EXPECT_STRNE(documentErrorReason(c.error), "");
  }
}

TEST_F(Documents, SavingKeepsProtectionOwnerGroupModeAndHardLinks) {
  const std::string locked = path("locked.vxo"), p = path("theirs.vxo");
  writeFile(locked, "old");
  ::chmod(locked.c_str(), 0444);  // nobody may write it: refused even for root, and it stays
  ASSERT_TRUE(open(locked, "new"));
  EXPECT_EQ(error(saveDocument(name, editor)), DocumentError::ReadOnly);
  EXPECT_EQ(readFile(locked), "old");
  EXPECT_EQ(fs::status(locked).permissions(), fs::perms(0444));

  writeFile(p, "old");
  ::chmod(p.c_str(), 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);  // another user's file
  }
  ASSERT_TRUE(open(p, "new"));
  ASSERT_TRUE(saveDocument(name, editor));
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(readFile(p), "new");
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(!root || (st.st_uid == 4321u && st.st_gid == 4322u)) << st.st_uid << ":" << st.st_gid;
  fs::create_hard_link(p, path("link.vxo"));
  setEditorTextUtf8(editor, "newer");
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_EQ(readFile(path("link.vxo")), "newer");
  EXPECT_EQ(fs::hard_link_count(p), 2u);
}

TEST_F(Documents, SymbolicLinksAreFollowedAndANameNeverOpenedIsAskedFor) {
  open(path("missing.vxo"), "new");  // as start-up leaves it
  EXPECT_EQ(error(saveDocument(name, editor)), DocumentError::Cancelled) << "through the dialog, cancelled";
  EXPECT_FALSE(fs::exists(path("missing.vxo")));

  writeFile(path("real.vxo"), "old");
  fs::create_symlink(path("real.vxo"), path("link.vxo"));
  ASSERT_TRUE(open(path("link.vxo"), "new"));
  ASSERT_TRUE(saveDocument(name, editor));
  EXPECT_TRUE(fs::is_symlink(path("link.vxo")));
  EXPECT_EQ(readFile(path("real.vxo")), "new");
  // A dangling link makes the file it names, when its folder exists.
  fs::create_symlink("made.vxo", path("dangling.vxo"));
  fs::create_symlink(path("nowhere/x.vxo"), path("lost.vxo"));
  chosen = path("dangling.vxo");
  ASSERT_TRUE(saveDocumentAs(name, editor));
  EXPECT_TRUE(fs::is_symlink(path("dangling.vxo")));
  EXPECT_EQ(readFile(path("made.vxo")), "new");
  chosen = path("lost.vxo");
  EXPECT_EQ(error(saveDocumentAs(name, editor)), DocumentError::FolderMissing);
  EXPECT_TRUE(fs::is_symlink(path("lost.vxo")));
}

TEST_F(Documents, RecoveryCopiesFollowUnsavedTextAndOnlyThoseOfEndedProcessesAreOffered) {
  ::setenv("XDG_STATE_HOME", dir.c_str(), 1);
  const std::string folder = recoveryFolder(), own = folder + "/recovery-" + std::to_string(::getpid()) + ".vxo";
  setEditorTextUtf8(editor, "#0 \xC2\xA4");
  keepRecoveryCopy(editor, true);
  EXPECT_EQ(readFile(own), "#0 \xC2\xA4");
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const std::string left = folder + "/recovery-" + std::to_string(ended) + ".vxo";
  writeFile(left, "lost");
  writeFile(folder + "/recovery-1.vxo", "");  // process 1 still runs
  writeFile(folder + "/recovery-x.vxo", "");
  EXPECT_EQ(orphanedRecoveryCopies(), std::vector<std::string>{left});
  markDocumentUnchanged(editor);  // saved
  keepRecoveryCopy(editor, true);
  EXPECT_FALSE(fs::exists(own));
  ::unsetenv("XDG_STATE_HOME");
}

// Bad files, a file that cannot be read, and a cancelled dialog: refused
// with a reason, and the document keeps its name and its text.
TEST_F(Documents, BadFilesAndCancelledDialogsChangeNothing) {
  writeFile(path("a.vxo"), "#0");
  ASSERT_TRUE(open(path("a.vxo")));
  writeFile(path("binary.vxo"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  fs::create_directory(path("folder.vxo"));
  writeFile(path("big.vxo"), "");
  fs::resize_file(path("big.vxo"), uintmax_t(maxDocumentBytes) + 1);  // sparse: costs no disk
  const struct { std::string file; DocumentError error; } cases[] = {{path("missing.vxo"), DocumentError::CannotOpen}, {"/nonexistent/b.vxo", DocumentError::CannotOpen},
               {path("binary.vxo"), DocumentError::Binary},      {path("folder.vxo"), DocumentError::NotAFile},
               {path("big.vxo"), DocumentError::TooLarge},       {"", DocumentError::Cancelled}};
  for (const auto& c : cases) {
    chosen = c.file;
    EXPECT_EQ(error(openDocumentDialog(name, editor)), c.error) << c.file;
    EXPECT_EQ(std::string(name), path("a.vxo"));
    EXPECT_EQ(readEditorLines(editor), std::vector<std::string>{"#0"});
  }
  EXPECT_STRNE(documentErrorReason(DocumentError::Binary), "");
  EXPECT_FALSE(saveDocumentAs(name, editor));  // cancelled
  EXPECT_EQ(std::string(name), path("a.vxo"));
}

}  // namespace
