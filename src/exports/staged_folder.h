// A folder of several files that appears whole or not at all: the files are
// written into a new hidden folder beside the target, which takes the
// target's place at the end. A failure, a full disk or a stop on the way
// leaves the target as it was.
#pragma once

#include <string>

struct StagedFolder {
  std::string target;   // absolute, without a trailing slash
  std::string staging;  // the hidden folder beside it, empty once gone
  bool (*ownName)(const std::string& name) = nullptr;
};

// Checks the target (a new name, an empty folder, or a folder holding only
// names that ownName accepts, as a former run of the same export leaves it)
// and makes the staging folder. False with a French message otherwise.
bool openStagedFolder(const std::string& target, bool (*ownName)(const std::string&), StagedFolder& folder,
                      std::string& error);
// A new file of the staging folder; name must be one that ownName accepts.
bool writeStagedFile(const StagedFolder& folder, const std::string& name, const std::string& bytes,
                     std::string& error);
// Puts the staging folder in the target's place; a former export there is
// removed once the new one stands. False (nothing changed) on failure.
bool commitStagedFolder(StagedFolder& folder, std::string& error);
// Removes the staging folder and what was written in it.
void discardStagedFolder(StagedFolder& folder);
