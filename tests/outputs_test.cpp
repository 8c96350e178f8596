// Every writer aimed at what is not its own: the command lines of
// tests/outputs/hostile.txt, run as root and as the ordinary user nobody,
// with the status, the message and the files each leaves; termination
// signals in the middle of long writes; a file put in a booklet's folder
// while the booklet is written; the staging folder of a killed run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "support/process.h"
#include "support/table_file.h"

namespace fs = std::filesystem;

namespace {
const std::string program = VEXOCAD_BINARY_DIR "/vexocad";

// An entry as the table writes it: NAME, NAME/ (folder), NAME~ (neither file
// nor folder) or NAME->TARGET (link).
std::string entryName(const fs::directory_entry& entry, const std::string& folder) {
  const std::string name = entry.path().lexically_relative(folder).string();
  const fs::file_status status = entry.symlink_status();
  if (fs::is_symlink(status)) return name + "->" + fs::read_symlink(entry.path()).string();
  if (fs::is_directory(status)) return name + "/";
  return fs::is_regular_file(status) ? name : name + "~";
}

std::set<std::string> entriesOf(const std::string& folder) {
  std::set<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) found.insert(entryName(entry, folder));
  return found;
}

// The entries must be exactly those listed, each with the mode, link count,
// owner and content given (NAME:MODE*LINKS@OWNER=CONTENT, all but NAME optional).
void expectEntries(const std::string& folder, const std::string& listed, const std::string& what) {
  static const std::regex form(R"(([^:*@=]+)(?::([0-7]+))?(?:\*([0-9]+))?(?:@([a-z]+))?(?:=(.*))?)");
  std::set<std::string> wanted;
  std::istringstream words(listed);
  for (std::string word; words >> word;) {
    std::smatch part;
    ASSERT_TRUE(std::regex_match(word, part, form)) << word;
    wanted.insert(part[1]);
    std::string path = folder + "/" + part[1].str().substr(0, part[1].str().find("->"));
    if (path.back() == '/' || path.back() == '~') path.pop_back();
    struct stat st {};
    ::lstat(path.c_str(), &st);
    const passwd* owner = ::getpwuid(st.st_uid);
    std::string content = S_ISREG(st.st_mode) ? readFile(path) : "";
    if (!content.empty() && content.back() == '\n') content.pop_back();
    EXPECT_TRUE(!part[2].matched || (st.st_mode & 07777) == std::stoul(part[2], nullptr, 8)) << what << ": " << word;
    EXPECT_TRUE(!part[3].matched || st.st_nlink == std::stoul(part[3])) << what << ": " << word << " " << st.st_nlink;
    EXPECT_TRUE(!part[4].matched || (owner && part[4] == owner->pw_name)) << what << ": " << word;
    EXPECT_TRUE(!part[5].matched || content == part[5].str()) << what << ": " << word << " holds " << content;
  }
  EXPECT_EQ(entriesOf(folder), wanted) << what;
}

// A shell command's status and what it printed on either output.
ProcessResult runShell(const std::string& command) {
  FILE* pipe = ::popen(("{ " + command + "\n} 2>&1 </dev/null").c_str(), "r");
  ProcessResult result;
  char buffer[4096];
  for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
  const int raw = pipe ? ::pclose(pipe) : -1;
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

// 10000 pieces in 200 steps: a chain of connectors joined by rods.
std::string writeLargeModel(const std::string& folder) {
  std::string text = "#8\n";
  for (int i = 1; i < 5000; ++i) text += std::string("#12 %p1 @ h3 c1\n#8 %p1 @ c2 h7\n") + (i % 25 ? "" : "\n");
  writeFile(folder + "/large.vxo", text + "#12 %p1 @ h3 c1\n");
  return folder + "/large.vxo";
}

// The program in folder, its standard error into errors, the termination
// signals as a user's shell gives them.
pid_t startProgram(const std::vector<std::string>& arguments, const std::string& folder,
                   const std::string& errors = "/dev/null") {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int null = ::open("/dev/null", O_RDWR), error = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(null, 0), ::dup2(null, 1), ::dup2(error, 2);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (::chdir(folder.c_str()) == 0) ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

int waitForExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

// Waits (polling, for the state and not a time) until the program has made
// a hidden entry in folder to write into (holding inside, when given). Its
// path, "" after two minutes.
std::string waitForStaging(const std::string& folder, const std::string& inside = "") {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  for (; std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
      if (entry.path().filename().string()[0] == '.' && (inside.empty() || fs::exists(entry.path() / inside, error)))
        return entry.path().string();
  }
  return "";
}
}  // namespace

TEST(Outputs, HostileCommandLinesGiveTheirStatusMessageAndFiles) {
  if (::geteuid() != 0) GTEST_SKIP() << "plays both root and an ordinary user";
  const std::string models = makeTempDir();
  ::chmod(models.c_str(), 0755);
  writeFile(models + "/m.vxo", "#8\n\n#12 %p1 @ h1 c1\n");
  writeFile(models + "/loop.vxo", "#8\n\n// loop\nrepete 2000000000\nint $a=1\nfinrepete\n");
  writeFile(models + "/far.vxo", "#8\ntranslation 3e38 0 0\n");
  std::istringstream rows(readFile(VEXOCAD_SOURCE_DIR "/tests/outputs/hostile.txt"));
  for (std::string row; std::getline(rows, row);) {
    if (row.empty() || row.starts_with("//")) continue;
    const std::vector<std::string> f = tableFields(row);
    ASSERT_EQ(f.size(), 6u) << row;
    const std::string out = makeTempDir(), user = f[0] == "nobody" ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    ::chmod(out.c_str(), 0777);
    const std::string setting = "cd " + quoteForShell(out) + " && export VEXOCAD=" + quoteForShell(program) +
                                " V=" + quoteForShell(user + program) + " M=" + models + "/m.vxo LOOP=" + models +
                                "/loop.vxo FAR=" + models + "/far.vxo W=" VEXOCAD_SOURCE_DIR "/examples/wheel.vxo; ";
    EXPECT_TRUE(f[1].empty() || runShell(setting + f[1]).status == 0) << f[1];
    const ProcessResult r = runShell(setting + f[2]);
    EXPECT_EQ(r.status, std::stoi(f[3])) << f[0] << ": " << f[2] << "\n" << r.out;
    EXPECT_NE(r.out.find(f[4]), std::string::npos) << f[0] << ": " << f[2] << "\n" << r.out;
    expectEntries(out, f[5], f[0] + ": " + f[2]);
    fs::remove_all(out);
  }
  fs::remove_all(models);
}

TEST(Outputs, ATerminationSignalDuringALongWriteLeavesNothing) {
  const std::string dir = makeTempDir(), model = writeLargeModel(dir);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    for (const std::string mode : {"--steps", "--export"}) {
      const pid_t pid = startProgram({mode, model, "-o", mode == "--steps" ? "livret" : "modele.stl"}, dir);
      EXPECT_NE(waitForStaging(dir, mode == "--steps" ? "modele.png" : ""), "") << mode;
      ::kill(pid, signal);
      const int status = waitForExit(pid);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << mode << " " << signal << ": " << status;
      EXPECT_EQ(entriesOf(dir), std::set<std::string>{"large.vxo"}) << mode << " " << signal;
    }
  fs::remove_all(dir);
}

// A file the user puts in the folder while its booklet is written keeps the
// folder as it was. A killed run leaves its staging folder, which the next
// run beside it removes: only that one, told by its marker, not by its name.
TEST(Outputs, ABookletFolderChangedMeanwhileStaysAndAKilledRunIsClearedAfter) {
  const std::string dir = makeTempDir(), model = writeLargeModel(dir), errors = dir + "/errors.txt";
  writeFile(dir + "/m.vxo", "#8\n\n#12 %p1 @ h1 c1\n");
  ASSERT_EQ(runVexocad("--steps " + dir + "/m.vxo -o " + dir + "/livret").status, 0);
  const std::string page = readFile(dir + "/livret/index.html");
  pid_t pid = startProgram({"--steps", model, "-o", "livret"}, dir, errors);
  EXPECT_NE(waitForStaging(dir, "modele.png"), "");
  writeFile(dir + "/livret/notes.txt", "notes");
  const int status = waitForExit(pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 4) << status;
  EXPECT_NE(readFile(errors).find("a reçu d'autres fichiers pendant l'écriture (notes.txt)"), std::string::npos)
      << readFile(errors);
  EXPECT_EQ(readFile(dir + "/livret/index.html"), page);
  const std::set<std::string> booklet{"errors.txt", "large.vxo", "m.vxo", "livret/", "livret/.vexocad", "livret/index.html",
                                      "livret/modele.png", "livret/etape-0001.png", "livret/etape-0002.png"};
  std::set<std::string> expected = booklet;
  expected.insert("livret/notes.txt");
  EXPECT_EQ(entriesOf(dir), expected);

  pid = startProgram({"--steps", model, "-o", "autre"}, dir);
  const std::string staging = waitForStaging(dir, "modele.png");
  ::kill(pid, SIGKILL);
  waitForExit(pid);
  EXPECT_TRUE(!staging.empty() && fs::exists(staging));
  fs::create_directory(dir + "/.vexocad-abcdef");
  writeFile(dir + "/.vexocad-abcdef/mine", "mine");
  EXPECT_EQ(runVexocad("--steps " + dir + "/m.vxo -o " + dir + "/autre").status, 0);
  EXPECT_FALSE(fs::exists(staging));
  EXPECT_TRUE(fs::exists(dir + "/.vexocad-abcdef/mine"));
  EXPECT_TRUE(fs::exists(dir + "/autre/etape-0002.png"));
  fs::remove_all(dir);
}
