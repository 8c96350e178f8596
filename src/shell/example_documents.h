// The installed examples (dataDir + "examples/") in Fichier > Exemples. An
// example opens as a copy: a new document without a name, so that saving it
// asks where and an installed file is never overwritten by mistake.
#pragma once

#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/window_system.h"

// Menu commands CMD_EXAMPLE_FIRST + index, one per listed example.
constexpr int CMD_EXAMPLE_FIRST = 40100;
constexpr int maxExamples = 64;

// Reads the examples folder again: its *.vxo regular files, sorted by name,
// at most maxExamples; names beginning with a dot are left out.
void findExamples();
const std::vector<std::string>& examplePaths();

// The menu with an entry for each example found, after "Ouvrir...". The
// entries' paths live until findExamples runs again.
std::vector<MenuEntry> menuWithExamples(const MenuEntry* menu, int count);

// The example's text in the editor as a new, unchanged document named
// "sans titre"; false (the editor as it was) when it cannot be read.
bool openExampleCopy(char* name, const Editor& editor, int index);
