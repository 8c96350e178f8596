// Writing files and folders without ever losing what was there: every file
// the program writes (documents, images, lists, meshes, booklets) goes
// through here.
//
// A file is made beside its target under a short temporary name
// (".vexocad-XXXXXX", so that a target name of 255 bytes still works), every
// write checked, synced to the disk, and renamed over the target only once
// whole. The target keeps its mode, owner and group. When renaming cannot
// keep them (a file with other hard links, one whose owner a new file could
// not take, one in a folder closed to us), the target is rewritten in place
// from the finished copy, its old content saved aside first and put back if
// that fails. A file nobody may write (no write permission bit) is refused,
// even to root, and so is a file or folder of another user that the user
// may not write; a folder, device, pipe or socket is no file to write. A
// symbolic link is followed and stays a link, except one planted by another
// user in a folder that everyone may write and that keeps each file to its
// owner (sticky, as /tmp), which the kernel would not follow either.
//
// A folder of several files (a booklet) is made as a hidden folder beside its
// target holding a marker file of the program's own, and takes the target's
// place whole at the end. An existing folder is replaced only when it is
// empty or provably ours: it holds that marker and only names the writer
// accepts. It keeps its mode and owner.
//
// Nothing is left behind: a failure, a stop or a termination signal (SIGINT,
// SIGTERM, SIGHUP) removes the temporary files and folders; the signal then
// does what it did before (ends the program, or runs the program's own
// handler). Staging folders left by a killed run are recognised by their
// marker (and by no writer holding its lock) and removed by the next run
// beside them. A write past the file-size limit (ulimit -f) fails like a
// full disk instead of ending the program.
#pragma once

#include <sys/types.h>

#include <string>

enum class WriteProblem {
  NONE,
  NOT_A_FILE,         // a folder, device, pipe or socket where a file should go
  READ_ONLY,          // the file has no write permission for anyone
  PERMISSION_DENIED,  // the file, its folder or its owner forbids the write
  FOREIGN_LINK,       // another user's symbolic link in a shared sticky folder
  DISK_FULL,          // no space left, a quota, or the file-size limit
  READ_ONLY_DISK,
  FOLDER_MISSING,     // the folder of the file (or of a link's target)
  NOT_OURS,           // a folder the program did not write
  CHANGED,            // the target changed while it was being written
  INTERRUPTED,        // a termination signal came
  OTHER,
};

// What a write came to; reason is French, for the user ("" after success).
// For a file it is a sentence about the file, for a folder a whole message
// naming it.
struct WriteResult {
  WriteProblem problem = WriteProblem::NONE;
  std::string reason;
  bool ok() const { return problem == WriteProblem::NONE; }
};

// The sentence of a problem that is no system error ("" for NONE).
const char* writeProblemText(WriteProblem problem);

// A write past the file-size limit fails with EFBIG instead of ending the
// program with SIGXFSZ (for every writer, standard output included).
void reportOversizedWrites();

// The whole file at once.
WriteResult writeFileSafely(const std::string& path, const std::string& bytes);

// A file written a part at a time (a large mesh, through a library's
// streams). Writes are checked; after the first failure they do nothing and
// the failure comes out of commitOutputFiles. Discarded (nothing left, the
// target untouched) when it is destroyed uncommitted.
struct OutputFile {
  std::string path;       // as asked
  std::string target;     // the file that changes: path or the end of its links
  std::string temporary;  // the copy beside target, "" when unnamed
  int fd = -1;
  int leftover = -1;      // its entry among what a signal removes
  bool exists = false;    // target existed: owner, group, mode and inode to keep
  bool inPlace = false;   // target rewritten in place from the finished copy
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  ino_t inode = 0;
  long long position = 0, size = 0;
  int error = 0;          // errno of the first failed write, 0 while none
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();
};

// Checks path (refusing what the file comment says) and makes the copy.
WriteResult openOutputFile(const std::string& path, OutputFile& file);
// An unnamed file in the folder of nearPath (else the temporary folder), for
// data read back before the end; it vanishes when closed, whatever happens.
WriteResult openScratchFile(const std::string& nearPath, OutputFile& file);
bool writeOutput(OutputFile& file, const void* bytes, size_t count);
// Where the next write goes, from the start of the file.
void seekOutput(OutputFile& file, long long position);
// The failure of the file's writes so far (ok while none failed).
WriteResult outputFailure(const OutputFile& file);
// Reads what was written back; the count read, 0 at the end, -1 on failure.
long long readOutput(const OutputFile& file, long long position, void* bytes, size_t count);
// Puts each file in its target's place, in the order given (the file that
// names the others last), or leaves every target as it was and says why.
WriteResult commitOutputFiles(OutputFile* const* files, size_t count);
inline WriteResult commitOutputFile(OutputFile& file) {
  OutputFile* const files[] = {&file};
  return commitOutputFiles(files, 1);
}
void discardOutputFile(OutputFile& file);

// A folder of files that appears whole or not at all.
struct StagedFolder {
  std::string target;   // absolute, without a trailing slash
  std::string staging;  // the hidden folder beside it, "" once gone
  bool (*ownName)(const std::string& name) = nullptr;
  bool replaces = false;  // target exists: it is replaced, its mode and owner kept
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  int marker = -1;        // the marker file, locked while the folder is written
  int formerMarker = -1;  // the former folder's, locked until it is replaced
  int leftover = -1;
  StagedFolder() = default;
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;
  ~StagedFolder();
};

// Checks target (a new name, an empty folder, or one of ours holding only
// names that ownName accepts), removes staging folders that killed runs
// left beside it, and makes the staging folder.
WriteResult openStagedFolder(const std::string& target, bool (*ownName)(const std::string&), StagedFolder& folder);
// A new file of the staging folder; name must be one that ownName accepts.
WriteResult writeStagedFile(StagedFolder& folder, const std::string& name, const std::string& bytes);
// Puts the staging folder in the target's place; a former folder there is
// removed once the new one stands. A file that appeared in the former folder
// meanwhile makes it stay as it was (and the new one go).
WriteResult commitStagedFolder(StagedFolder& folder);
void discardStagedFolder(StagedFolder& folder);
