// The program's command line without any window: --check, --dump, --render,
// exit statuses and the messages on standard error.
#include <gtest/gtest.h>

#include <chrono>
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

TEST(CommandLineTest, CheckReportsEveryMessageWithFileAndLine) {
  const std::string path = scriptFile("model.vxo", "#8\nrot 0 0\nset $x 1\n#8 %zz\n");
  const ProcessResult r = runVexocad("--check " + quoteForShell(path));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, path + ":3: Erreur de syntaxe: Ligne 3, la variable n'existe pas!\n" + path +
                       ":4: ID inconnue: id=zz n'est pas valide comme ID!\n");
  const std::string loop = scriptFile("loop.vxo", "repete 2\nset $x 1\nfinrepete\n");
  const std::string line = loop + ":2: Erreur de syntaxe: Ligne 2, la variable n'existe pas!\n";
  EXPECT_EQ(runVexocad("--check " + quoteForShell(loop)).err, line + line);  // every pass prints
}

TEST(CommandLineTest, DumpPrintsTheTableAndBindings) {
  const std::string path =
      scriptFile("model.vxo", "#8\n#13 %p1 @ h3 c1\n#8 %p1 @ c2 h1 couleur=0000FF\ndeclare roue R %p1 1\n");
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "piece 0 kind 8 colour 1 1 1 1 flags 1 attached -1 frame -1 matrix 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1");
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("piece 1 kind 13 colour 1 1 0 1 flags 1 attached 0 frame -1 matrix ", 0), 0u) << line;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("piece 2 kind 8 colour 1 0 0 1 flags 1 attached 1 frame -1 matrix ", 0), 0u) << line;
  std::getline(lines, line);
  EXPECT_EQ(line, "binding roue key 82 piece 2 once 1 matrix 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1");
  EXPECT_FALSE(std::getline(lines, line));
}

TEST(CommandLineTest, Utf8AndCrLfFilesReadAsWindows1252Lines) {
  const std::string path = scriptFile("utf8.vxo", "\xC2\xA4" "8\r\n\xC2\xA7 f\r\n#13\r\nfinfonction\r\nappel f\r\n");
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("piece 0 kind 8 colour 1 1 1 1 flags 3"), std::string::npos);
  EXPECT_NE(r.out.find("piece 1 kind 13"), std::string::npos);
}

// Found by cross-checking the command line's reader against the document
// reader: the byte-order mark of a UTF-8 file became "?" before the first
// word, so the first line's piece was never made.
TEST(CommandLineTest, ByteOrderMarkIsNoPartOfTheFirstLine) {
  const std::string path = scriptFile("bom.vxo", "\xEF\xBB\xBF#8\n#13 %p1 @ h3 c1\n");
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("piece 0 kind 8 ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("piece 1 kind 13 "), std::string::npos);
  const std::string cp1252 = scriptFile("bom-1252.vxo", "\xEF\xBB\xBF\xA4" "8 \xE9\n");
  EXPECT_EQ(runVexocad("--dump " + quoteForShell(cp1252)).out.rfind("piece 0 kind 8 colour 1 1 1 1 flags 3", 0), 0u);
}

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

TEST(CommandLineTest, BinaryInputNeverCrashes) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += char((i * 7919 + i / 13) % 256);
  const std::string path = scriptFile("binary.vxo", bytes);
  const ProcessResult r = runVexocad("--dump " + quoteForShell(path));
  EXPECT_TRUE(r.status == 0 || r.status == 1);
}

TEST(CommandLineTest, MaxSecondsStopsARunawayCompile) {
  const std::string path = scriptFile("forever.vxo", "repete 2147483647\nint $i\nfinrepete\n");
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult r = runVexocad("--check " + quoteForShell(path) + " --max-seconds 0.5");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.status, 3);
  // Only the stop: the block left open is no error of the script.
  EXPECT_EQ(r.err.rfind("vexocad: compile stopped", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_LT(seconds, 20);
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
