// Recovery copies of unsaved text, without a window: which folders get a
// copy (a private folder of the user running the program) and which get one
// message instead, as root and as an ordinary user, with links planted where
// the copy goes; how the copy is written; which left copies are offered
// (told by their lock, not by a PID), and how one is claimed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "shell/documents.h"
#include "shell/recovery.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {
constexpr uid_t nobody = 65534;

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename());
  return names;
}

// In a process of its own (each with a fresh first copy and message), as
// the given user: two copies of changed text asked for at once.
void keepCopiesAs(uid_t user, const std::string& stateHome, const std::string& home, const std::string& log) {
  const pid_t child = ::fork();
  if (child == 0) {
    stateHome.empty() ? ::unsetenv("XDG_STATE_HOME") : ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
    home.empty() ? ::unsetenv("HOME") : ::setenv("HOME", home.c_str(), 1);
    ::setenv("VEXOCAD_MESSAGE_LOG", log.c_str(), 1);
    if (user != ::getuid() && (::setgid(user) != 0 || ::setuid(user) != 0)) ::_exit(2);
    Editor editor = makeHeadlessEditor();
    setEditorTextUtf8(editor, "#8 secret");
    keepRecoveryCopy(editor, true);
    setEditorTextUtf8(editor, "#8 secret\n#5 %0");
    keepRecoveryCopy(editor, true);
    ::_exit(0);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
}  // namespace

// Each layout, as root and as an ordinary user where the machine allows it:
// a copy (mode 0600, the text whole, the planted link still a link to the
// untouched file) or no copy and exactly one message giving the reason.
TEST(RecoveryFolder, OnlyAPrivateFolderOfTheUserGetsACopyAnyOtherOneMessage) {
  const bool root = ::geteuid() == 0;
  const struct {
    const char* layout;
    bool otherUser;  // the folder (or its parent) is given to the other user
    const char* reason;  // "" when a copy is written
  } cases[] = {
      {"missing", false, ""},
      {"private", false, ""},
      {"open to all", false, "D'autres utilisateurs que son propriétaire peuvent y écrire."},
      {"open to the group", false, "D'autres utilisateurs que son propriétaire peuvent y écrire."},
      {"a link to a private folder", false, "C'est un lien symbolique, pas un vrai dossier."},
      {"a file", false, "Ce n'est pas un dossier."},
      {"another user's", true, "Il appartient à un autre utilisateur que celui qui lance le programme."},
      {"missing in another user's", true, "Il manque, et "},
      {"impossible", false, "/proc/x/vexocad Il "},  // root cannot make it, nor others in root's /proc
      {"nowhere", false, "ni XDG_STATE_HOME ni HOME ne donnent un dossier absolu."},
  };
  std::vector<uid_t> users = {::getuid()};
  if (root) users.push_back(nobody);
  for (const uid_t user : users) {
    const uid_t other = user == 0 ? nobody : 0;
    for (const auto& c : cases) {
      if (c.otherUser && !root) continue;  // only root can give a folder away
      const std::string dir = makeTempDir(), state = dir + "/state", folder = state + "/vexocad";
      const std::string secret = dir + "/secret", log = dir + "/messages.log", layout = c.layout;
      writeFile(secret, "root only\n");
      writeFile(log, "");
      ::chmod(dir.c_str(), 0755);
      fs::create_directory(state);
      if (layout == "a link to a private folder") {
        fs::create_directory(dir + "/elsewhere");
        fs::create_directory_symlink(dir + "/elsewhere", folder);
      } else if (layout == "a file") {
        writeFile(folder, "");
      } else if (layout == "private" || layout == "another user's" || layout.rfind("open", 0) == 0) {
        fs::create_directory(folder);
        ::chmod(folder.c_str(), layout == "open to all" ? 0777 : layout == "open to the group" ? 0770 : 0700);
        fs::create_symlink(secret, folder + "/recovery-12345.vxo");  // where an earlier version's copy went
      }
      if (root) {
        ::lchown(log.c_str(), user, user);
        ::lchown(state.c_str(), layout == "missing in another user's" ? other : user, user);
        ::lchown(folder.c_str(), layout == "another user's" ? other : user, user);
      }
      keepCopiesAs(user, layout == "impossible" ? "/proc/x" : layout == "nowhere" ? "" : state,
                   layout == "nowhere" ? "" : "/nonexistent", log);
      const std::string name = c.layout + std::string(user ? " (ordinary user)" : " (root)");
      EXPECT_EQ(readFile(secret), "root only\n") << name;
      std::vector<std::string> copies = filesIn(folder);
      copies.erase(std::remove(copies.begin(), copies.end(), "recovery-12345.vxo"), copies.end());
      if (!*c.reason) {
        ASSERT_EQ(copies.size(), 1u) << name;
        EXPECT_EQ(readFile(folder + "/" + copies[0]), "#8 secret\n#5 %0") << name;
        EXPECT_EQ(fs::status(folder + "/" + copies[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << name;
        EXPECT_EQ(readFile(log), "") << name;
      } else {
        EXPECT_EQ(copies, std::vector<std::string>{}) << name;
        const std::string said = readFile(log);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << name << ": " << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << name << ": " << said;
      }
      fs::remove_all(dir);
    }
  }
}

// A live owner is told by its lock: this process's own copy, and one a
// running vexocad holds, are not offered; copies of ended writers are,
// whatever process took their PID since, earlier versions' too (unless the
// PID runs a vexocad). This process's copy replaces a link planted in its
// place instead of writing through it. A claimed copy is nobody else's; one
// with a NUL byte says why it cannot be restored; release keeps or deletes.
TEST(RecoveryCopies, ALiveOwnerIsToldByItsLockAndEndedOnesCopiesAreOffered) {
  const std::string dir = makeTempDir(), folder = dir + "/vexocad", secret = dir + "/secret";
  ::setenv("XDG_STATE_HOME", dir.c_str(), 1);
  writeFile(secret, "root only\n");
  Editor editor = makeHeadlessEditor();
  setEditorTextUtf8(editor, "#0 \xC2\xA4");
  ASSERT_TRUE(keepRecoveryCopy(editor, true));
  ASSERT_EQ(filesIn(folder).size(), 1u);
  const std::string own = folder + "/" + filesIn(folder)[0];
  EXPECT_EQ(readFile(own), "#0 \xC2\xA4");
  fs::remove(own);
  fs::create_symlink(secret, own);
  setEditorTextUtf8(editor, "#0");
  ASSERT_TRUE(keepRecoveryCopy(editor, true));
  EXPECT_EQ(readFile(secret), "root only\n");
  EXPECT_FALSE(fs::is_symlink(own));

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t runner = ::fork();  // a running vexocad of an earlier version, and one of this one
  if (runner == 0) {
    ::prctl(PR_SET_NAME, "vexocad");
    const int held = ::open((folder + "/recovery-7-00000000000000aa.vxo").c_str(), O_RDWR | O_CREAT, 0600);
    ::flock(held, LOCK_EX);
    if (::write(ready[1], "", 1) != 1) ::_exit(1);
    ::pause();
  }
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  const std::string mine = folder + "/recovery-" + std::to_string(::getpid()) + "-00000000000000bb.vxo";
  const std::string first = folder + "/recovery-1.vxo", running = folder + "/recovery-" + std::to_string(runner) + ".vxo";
  for (const std::string& path : {mine, first, running}) writeFile(path, "#8");
  writeFile(folder + "/.recovery-1-00000000000000cc.vxo.tmp", "#8");  // a writer that ended while writing
  writeFile(folder + "/recovery-x.vxo", "");
  auto offered = [] {
    std::vector<std::string> paths = orphanedRecoveryCopies();
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  EXPECT_EQ(offered(), (std::vector<std::string>{first, mine}));
  EXPECT_FALSE(fs::exists(folder + "/.recovery-1-00000000000000cc.vxo.tmp"));
  ::kill(runner, SIGKILL);
  ::waitpid(runner, nullptr, 0);
  EXPECT_EQ(offered().size(), 4u);

  LeftCopy claimed, again;
  ASSERT_TRUE(claimRecoveryCopy(first, &claimed));
  EXPECT_EQ(claimed.text, "#8");
  EXPECT_EQ(claimed.problem, "");
  EXPECT_FALSE(claimRecoveryCopy(first, &again)) << "claimed already";
  EXPECT_EQ(offered().size(), 3u);
  releaseRecoveryCopy(claimed, true);
  EXPECT_FALSE(fs::exists(first));
  writeFile(mine, std::string("#8\0#5", 4));
  ASSERT_TRUE(claimRecoveryCopy(mine, &claimed));
  EXPECT_NE(claimed.problem.find("octet nul"), std::string::npos);
  releaseRecoveryCopy(claimed, false);
  EXPECT_EQ(readFile(mine), std::string("#8\0#5", 4));

  markDocumentUnchanged(editor);  // saved
  ASSERT_TRUE(keepRecoveryCopy(editor, true));
  EXPECT_FALSE(fs::exists(own));
  destroyHeadlessEditor(editor);
  fs::remove_all(dir);
}
