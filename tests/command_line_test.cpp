// The program's command line without any window: exit statuses and messages
// for every kind of input and output, memory and time limits, and the
// argument parser. Scripts with their dumps: tests/scripts/*.vxo.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/process.h"

namespace fs = std::filesystem;

// Found by reading /dev/zero (read until memory ran out), a pipe (waited for
// a writer whatever --max-seconds said), 50 MB of line feeds (2.25 GB, one
// string per line), "--render m.vxo -o m.vxo" (the script replaced by the
// image), --dump > /dev/full (a third written, exit 0; and libpng's writer
// deleted the device it could not write), a missing piece file (--render
// exited 0; --export even later), a piece file that was a pipe (start-up
// hung) or a directory (skipped).
TEST(CommandLineTest, EveryInputAndOutputGivesItsStatusAndMessage) {
  const fs::path d = makeTempDir(), build = VEXOCAD_BINARY_DIR, parts = d / "vexo/Parts";
  const std::string m = d / "model.vxo", full = "sh -c 'exec \"$0\" \"$@\" >/dev/full'",
                    copy = "sh -c 'exec " + (d / "vexocad").string() + " \"$@\"'";  // data beside the copy
  writeFile(m, "#8\n");
  writeFile(d / "errors.vxo", "rot\n#8\n");
  writeFile(d / "e\x1b[2J.vxo", "rot\n");
  writeFile(d / "lines.vxo", std::string(20 << 20, '\n') + "#8\n");
  writeFile(d / "same.vxo", "repete 100\n#8\nfinrepete\n");  // 4950 pairs at one place
  writeFile(d / "big.vxo", "");
  fs::resize_file(d / "big.vxo", 65 << 20);  // sparse: costs no disk
  ASSERT_EQ(mkfifo((d / "pipe.vxo").c_str(), 0600), 0);
  fs::create_symlink(m, d / "link.png");
  writeFile(d / "script.pdf", "#8\n");
  fs::create_directory(d / "dossier.pdf");
  fs::create_symlink("/dev/full", d / "full.pdf");
  fs::copy_file(build / "vexocad", d / "vexocad");
  fs::copy(build / "vexo", d / "vexo", fs::copy_options::recursive);
  fs::create_directory_symlink(build / "data", d / "data");
  for (const char* part : {"vx108.dat", "vx207.dat", "vx225.dat"}) fs::remove(parts / part);
  fs::create_directory(parts / "vx207.dat");
  ASSERT_EQ(mkfifo((parts / "vx225.dat").c_str(), 0600), 0);
  const std::string dir = d, write = "Erreur d'écriture sur la sortie standard", render = "--render " + m + " -o ";
  const struct {
    std::string arguments;
    int status;
    std::string printed = "";  // in standard output or error
    std::string environment = "";
  } cases[] = {
      {"--dump " + dir + "/lines.vxo", 0, "piece 0 kind 8 "},  // first: its memory is measured
      {"--check " + dir + "/missing.vxo", 2, dir + "/missing.vxo"},
      {"--dump " + dir, 2},
      {"--check /dev/zero --max-seconds 60", 2, "/dev/zero (Ce "},
      {"--check " + dir + "/pipe.vxo --max-seconds 60", 2, "pipe.vxo (Ce "},
      {"--check " + dir + "/big.vxo --max-seconds 60", 2, "big.vxo (Ce "},
      {"--check", 64},
      {"--frobnicate", 64},
      {"--render x.vxo", 64},
      {"--render x.vxo -o y.png --size 0x10", 64},
      {render + m, 64, "is the script"},
      {render + dir + "/./model.vxo", 64, "is the script"},
      {render + dir + "/link.png", 64, "is the script"},
      {render + "/dev/full", 4},
      {"--render " + dir + "/errors.vxo -o " + dir + "/e.png --size 64x48 --edges", 1, "errors.vxo:1: "},
      {render + dir + "/m.png", 1, "vx108.dat\n", copy},
      {render + dir + "/m.png", 1, "vx207.dat (Ce chemin", copy},
      {render + dir + "/m.png", 1, "vx225.dat (Ce chemin", copy},
      {"--export " + m + " -o " + dir + "/m.stl", 1, "vx108.dat\n", copy},  // exited 0, the pieces dropped
      {"--export " + m + " -o " + dir + "/m.glb", 1, "vx207.dat (Ce chemin", copy},
      {"--steps " + m, 64, "--steps needs -o FOLDER or -o BOOKLET.pdf"},
      {"--steps " + m + " -o /dev/full", 4, "« /dev/full » existe et n'est pas un dossier."},
      {"--steps " + m + " -o " + dir + "/pipe.vxo", 4, "n'est pas un dossier"},
      {"--steps " + m + " -o " + dir, 64, "holds the script"},
      {"--steps " + m + " -o " + dir + "/no/such", 4, "Impossible d'écrire à côté de"},
      {"--steps " + dir + "/script.pdf -o " + dir + "/./script.pdf", 64, "is the script"},
      {"--steps " + m + " -o " + dir + "/dossier.pdf", 4, "dossier.pdf (Ce chemin ne désigne pas un fichier ordinaire.)"},
      {"--steps " + m + " -o " + dir + "/full.pdf", 4, "Le livret de montage n'a pas été écrit."},
      {"--steps " + m + " -o " + dir + "/livret.PDF", 0},
      {"--help", 0, "--check"},
      {"--version", 0, "vexocad "},
      // Found by fuzzing: --help and --version win wherever they stand (the
      // second was refused as two modes); a refused value leaves no trace
      // (a NaN was kept: the corpus replay checks that reading is the same twice).
      {"--help --check x.vxo", 0, "Usage: vexocad"},
      {"--render m#odel.vges#oel.vx -o omm --help", 0, "Usage: vexocad"},
      {"--version --dump x.vxo", 0, "vexocad "},
      {"--dump x.vxo --version -h", 0, "Usage: vexocad"},
      {"-o --help --render x.vxo", 2, "x.vxo (Ce fichier ou ce dossier n'existe pas.)"},  // --help is the image's name
      {"--help --check a.vxo --dump b.vxo", 64,
       "choose one of --check, --verify, --dump, --render, --steps, --parts and --export"},
      {"--verify", 64, "--verify needs a file"},
      {"--verify " + dir + "/missing.vxo", 2, dir + "/missing.vxo"},
      {"--verify " + m, 0, "", copy},  // piece files missing, a directory and a pipe: read quietly, no hang
      {"--verify " + dir + "/same.vxo --max-seconds 0.000001", 3, "vexocad: check stopped after 1e-06 seconds"},
      {"--max-seconds nan1e99 -- zs-umpsi 10x --", 64, "--max-seconds needs a positive number of seconds"},
      {"--size 320x0", 64, "--size needs WIDTHxHEIGHT"},
      {"--render x.vxo -o x.png --detail", 64, "--detail needs auto or full"},
      {"--detail Auto --render x.vxo -o x.png", 64, "--detail needs auto or full"},
      {"--render x.vxo -o y.png --view side", 64, "--view needs fit or start"},
      {"--render x.vxo -o y.png --turn 30", 64, "--turn needs two angles"},
      {"--render x.vxo -o y.png --turn 1e400 0", 64, "--turn needs two angles"},
      {"--dump " + m, 5, write, full},
      {"--parts " + m, 5, write, full},
      {"--parts x.vxo -o x.png", 64, "LIST.txt, LIST.csv or LIST.html"},
      {"--dump x.vxo --have c.csv", 64, "--have goes with --parts"},
      {"--help", 5, write, full},
      {"--version", 5, write, full},
      // Control characters of names reached the terminal raw.
      {"--check " + quoteForShell(dir + "/\x1b]0;T\x07.vxo"), 2, "/\\x1b]0;T\\x07.vxo ("},
      {"--check " + quoteForShell(dir + "/e\x1b[2J.vxo"), 1, "/e\\x1b[2J.vxo:1: "},
      {quoteForShell("--frob\x1b[2J\x9b"), 64, "--frob\\x1b[2J\\x9b"},
      {"--parts " + m + " --have " + quoteForShell(dir + "/\x1b[2J.csv"), 2, "/\\x1b[2J.csv ("},
  };
  for (const auto& c : cases) {
    const ProcessResult r = runVexocad(c.arguments, c.environment);
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    EXPECT_NE((r.out + r.err).find(c.printed), std::string::npos) << c.arguments << "\n" << r.out << r.err;
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_TRUE(&c != cases || usage.ru_maxrss < 400 * 1024) << usage.ru_maxrss << " kB for 20 MB of line feeds";
  }
  EXPECT_EQ(readFile(m), "#8\n");
  EXPECT_EQ(readFile(d / "script.pdf"), "#8\n");
  EXPECT_EQ(readFile(d / "livret.PDF").substr(0, 5), "%PDF-");
  struct stat st;
  EXPECT_TRUE(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
  // The image is written even with script errors, at the size asked.
  const std::string png = readFile(d / "e.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3) + " " + std::to_string(png[19]) + "x" + std::to_string(png[23]), "PNG 64x48");
}

// Loops that declare without end run in constant memory until the time
// limit stops them (each took a gigabyte in a few seconds), and a stopped
// compile reports only the stop (a block left open is no error of the
// script), after at most one message. The memory limit is left to the
// sanitizer build's own accounting there.
TEST(CommandLineTest, MaxSecondsStopsARunawayCompileInBoundedMemory) {
  const std::string limit = std::getenv("ASAN_OPTIONS") ? "" : "ulimit -v 400000;", path = makeTempDir() + "/x.vxo";
  for (const char* script : {"repete 2147483647\nint $i\nfinrepete\n",
                             "repete 2147483647\nfonction f $a\nint $b\nfinfonction\nfinrepete\n",
                             "#8\nrepete 2147483647\ndeclare t R %0 0\nrot 0 2 0\nfindeclare\nfinrepete\n",
                             "repete 2147483647\n#8\nfinrepete\n"}) {
    writeFile(path, script);
    const ProcessResult r = runVexocad("--check " + path + " --max-seconds 1", limit);
    EXPECT_EQ(r.status, 3) << script << r.err;
    const size_t stop = r.err.find("vexocad: compile stopped");  // the last line, after at most one message
    EXPECT_TRUE(stop != std::string::npos && std::count(r.err.begin(), r.err.begin() + long(stop), '\n') <= 1 &&
                r.err.find('\n', stop) == r.err.size() - 1) << r.err;
  }
}
