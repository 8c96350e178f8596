// The program's command line without any window: --check, --dump, --render,
// exit statuses and the messages on standard error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "shell/command_options.h"
#include "support/process.h"

namespace {
std::string scriptFile(const std::string& name, const std::string& text) {
  const std::string path = makeTempDir() + "/" + name;
  writeFile(path, text);
  return path;
}
}  // namespace

TEST(CommandLineTest, UnreadableFilesAndBadArguments) {
  const std::string dir = makeTempDir();
  ProcessResult r = runVexocad("--check " + quoteForShell(dir + "/missing.vxo"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.vxo"), std::string::npos);
  r = runVexocad("--dump " + quoteForShell(dir));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(runVexocad("--check").status, 64);
  EXPECT_EQ(runVexocad("--frobnicate").status, 64);
  EXPECT_EQ(runVexocad("--render x.vxo").status, 64);
  EXPECT_EQ(runVexocad("--render x.vxo -o y.png --size 0x10").status, 64);
  r = runVexocad("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--check"), std::string::npos);
  EXPECT_EQ(runVexocad("--version").out.substr(0, 8), "vexocad ");
}

// The command line reads scripts as the desktop program opens documents: a
// file with NUL bytes is no text.
TEST(CommandLineTest, BinaryInputIsRefusedAsNoText) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += char((i * 7919 + i / 13) % 256);
  const std::string path = scriptFile("binary.vxo", bytes);
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("n'est pas un fichier texte"), std::string::npos) << r.err;
}

// Found by reading /dev/zero: it was read until memory ran out; a pipe
// waited for a writer whatever --max-seconds said.
TEST(CommandLineTest, OnlyRegularFilesOfBoundedSizeAreRead) {
  const std::string dir = makeTempDir(), pipe = dir + "/pipe.vxo", big = dir + "/big.vxo";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  writeFile(big, "");
  ASSERT_EQ(truncate(big.c_str(), 65 << 20), 0);  // sparse: costs no disk
  for (const std::string& file : {std::string("/dev/zero"), pipe, big}) {
    const ProcessResult r = runVexocad("--check " + quoteForShell(file) + " --max-seconds 60");
    EXPECT_EQ(r.status, 2) << file;
    EXPECT_NE(r.err.find(file + " (Ce "), std::string::npos) << r.err;
  }
}

// Found with 50 MB of line feeds: one string per line took 2.25 GB.
TEST(CommandLineTest, ManyEmptyLinesTakeMemoryInProportionToTheFile) {
  const std::string path = scriptFile("empty-lines.vxo", std::string(20 << 20, '\n') + "#8\n");
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("piece 0 kind 8 ", 0), 0u);
  struct rusage usage;
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 400 * 1024) << "kilobytes";
}

// Found with --dump > /dev/full: a third of the dump was written, and the
// exit status said all went well.
TEST(CommandLineTest, AWriteErrorOnStandardOutputFails) {
  const std::string path = scriptFile("model.vxo", "#8\n");
  const std::string toFull = "sh -c 'exec \"$0\" \"$@\" >/dev/full'";  // replaces the test's own output
  for (const char* args : {"--dump ", "--help ", "--version "}) {
    const ProcessResult r = runVexocad(args + quoteForShell(path), toFull);
    EXPECT_EQ(r.status, 5) << args;
    EXPECT_NE(r.err.find("Erreur d'écriture sur la sortie standard"), std::string::npos) << r.err;
  }
  // An image that cannot be written fails, and the device named is still
  // there (the PNG library's own writer deleted the path it could not write).
  const ProcessResult r = runVexocad("--render " + quoteForShell(path) + " -o /dev/full");
  EXPECT_EQ(r.status, 4) << r.err;
  struct stat st;
  EXPECT_TRUE(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
}

// Found with a missing piece file: --render printed the message and exited
// 0. A piece file that was a pipe hung the start; a directory was skipped.
TEST(CommandLineTest, RenderReportsBadPieceFilesAndCountsTheirMessages) {
  namespace fs = std::filesystem;
  const fs::path dir = makeTempDir(), build = VEXOCAD_BINARY_DIR;
  fs::copy_file(build / "vexocad", dir / "vexocad");
  fs::copy(build / "vexo", dir / "vexo", fs::copy_options::recursive);
  fs::create_directory_symlink(build / "data", dir / "data");
  fs::remove(dir / "vexo/Parts/vx108.dat");
  fs::remove(dir / "vexo/Parts/vx207.dat");
  fs::create_directory(dir / "vexo/Parts/vx207.dat");
  fs::remove(dir / "vexo/Parts/vx225.dat");
  ASSERT_EQ(mkfifo((dir / "vexo/Parts/vx225.dat").c_str(), 0600), 0);
  writeFile(dir / "m.vxo", "#8\n");
  const std::string there = "sh -c 'exec " + (dir / "vexocad").string() + " \"$@\"'";  // data beside the copy
  const ProcessResult r = runVexocad("--render " + quoteForShell(dir / "m.vxo") + " -o " + quoteForShell(dir / "m.png"), there);
  EXPECT_EQ(r.status, 1);
  for (const char* name : {"vx108.dat\n", "vx207.dat (Ce chemin", "vx225.dat (Ce chemin"})
    EXPECT_NE(r.err.find(name), std::string::npos) << name << " in " << r.err;
}

// Found with "--render m.vxo -o m.vxo": the script was replaced by the image.
TEST(CommandLineTest, TheImageMayNotBeTheScript) {
  const std::string path = scriptFile("model.vxo", "#8\n"), dir = path.substr(0, path.rfind('/'));
  ASSERT_EQ(symlink(path.c_str(), (dir + "/link.png").c_str()), 0);
  for (const std::string& png : {path, dir + "/./model.vxo", dir + "/link.png"}) {
    const ProcessResult r = runVexocad("--render " + quoteForShell(path) + " -o " + quoteForShell(png));
    EXPECT_EQ(r.status, 64) << png;
    EXPECT_NE(r.err.find("is the script"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(path), "#8\n");
  }
}

// Loops that declare without end run in constant memory until the time
// limit stops them (each took a gigabyte in a few seconds). The memory limit
// is left to the sanitizer build's own accounting there.
TEST(CommandLineTest, MaxSecondsStopsARunawayCompileInBoundedMemory) {
  const std::string memoryLimit = std::getenv("ASAN_OPTIONS") ? "" : "ulimit -v 400000;";
  for (const char* script : {"repete 2147483647\nint $i\nfinrepete\n",
                             "repete 2147483647\nfonction f $a\nint $b\nfinfonction\nfinrepete\n",
                             "#8\nrepete 2147483647\ndeclare t R %0 0\nrot 0 2 0\nfindeclare\nfinrepete\n"}) {
    const std::string path = scriptFile("forever.vxo", script);
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = runVexocad("--check " + quoteForShell(path) + " --max-seconds 1", memoryLimit);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 3) << script << r.err;
    // Only the stop, after at most one message: the block left open is no error of the script.
    const size_t stop = r.err.find("vexocad: compile stopped");
    EXPECT_TRUE(stop == 0 || (stop != std::string::npos && r.err.find("Il y en a déjà") < stop)) << r.err;
    EXPECT_EQ(r.err.find('\n', stop), r.err.size() - 1) << r.err;
    EXPECT_LT(seconds, 20);
  }
}

TEST(CommandLineTest, RenderWritesAPngEvenWithScriptErrors) {
  const std::string dir = makeTempDir();
  const std::string path = scriptFile("model.vxo", "rot\n#8\n");
  const std::string png = dir + "/model.png";
  const ProcessResult r =
      runVexocad("--render " + quoteForShell(path) + " -o " + quoteForShell(png) + " --size 64x48 --edges");
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string bytes = readFile(png);
  ASSERT_GT(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  EXPECT_EQ((unsigned char)bytes[19], 64);  // width in the header
  EXPECT_EQ((unsigned char)bytes[23], 48);
}

// Found by fuzzing: "--render m.vxo -o omm --help" gave help but "--help
// --check x" a wrong complaint about two modes. --help and --version now win
// wherever they stand; two compiling modes are still refused.
TEST(CommandLineTest, HelpAndVersionWinWhereverTheyStand) {
  constexpr int refused = -1;
  const auto parse = [](std::vector<const char*> args, std::string* error = nullptr) {
    args.insert(args.begin(), "vexocad");
    CommandOptions o;
    std::string reason;
    const bool ok = parseCommandLine(int(args.size()), args.data(), o, reason);
    if (error) *error = reason;
    return ok ? int(o.mode) : refused;
  };
  EXPECT_EQ(parse({"--render", "m#odel.vges#oel.vx", "-o", "omm", "--help"}), CommandOptions::HELP);
  EXPECT_EQ(parse({"--help", "--check", "x.vxo"}), CommandOptions::HELP);
  EXPECT_EQ(parse({"--version", "--dump", "x.vxo"}), CommandOptions::VERSION);
  EXPECT_EQ(parse({"--dump", "x.vxo", "--version", "-h"}), CommandOptions::HELP);
  EXPECT_EQ(parse({"-o", "--help", "--render", "x.vxo"}), CommandOptions::RENDER);
  std::string error;
  EXPECT_EQ(parse({"--help", "--check", "a.vxo", "--dump", "b.vxo"}, &error), refused);
  EXPECT_EQ(error, "choose one of --check, --dump and --render");
  const ProcessResult r = runVexocad("--help --check x.vxo");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: vexocad"), std::string::npos);
}

// Found by fuzzing: "--max-seconds nan1e99" was refused but left a NaN in the
// options, so that reading the same line twice gave options that differ.
TEST(CommandLineTest, RefusedValuesLeaveTheOptionsAsTheyWere) {
  const char* seconds[] = {"vexocad", "--max-seconds", "nan1e99", "--", "zs-umpsi", "10x", "--"};
  CommandOptions o;
  std::string error;
  EXPECT_FALSE(parseCommandLine(7, seconds, o, error));
  EXPECT_EQ(error, "--max-seconds needs a positive number of seconds");
  EXPECT_EQ(o.maxSeconds, 0.0);
  const char* size[] = {"vexocad", "--size", "320x0"};
  o = CommandOptions{};
  EXPECT_FALSE(parseCommandLine(3, size, o, error));
  EXPECT_EQ(o.width, 600);
  EXPECT_EQ(o.height, 600);
}
