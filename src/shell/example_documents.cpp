// Fichier > Exemples: the examples folder read once when the menu is made, so
// that each entry's command keeps naming the same file.
#include "shell/example_documents.h"

#include <algorithm>
#include <filesystem>
#include <strings.h>
#include <system_error>

#include "platform/core_data_dir.h"
#include "shell/documents.h"
#include "shell/menu_commands.h"

namespace {
std::vector<std::string> paths;
std::vector<std::string> menuPaths;  // what the menu entries point to

bool isExampleName(const std::string& name) {
  return name.size() > 4 && name[0] != '.' && ::strcasecmp(name.c_str() + name.size() - 4, ".vxo") == 0;
}

// The file's name without ".vxo", escaped as the menu shows it as is.
std::string menuLabel(const std::string& path) {
  const std::string name = std::filesystem::path(path).stem().string();
  std::string label;
  for (char c : name) label += c == '&' ? std::string("&&") : c == '\\' ? std::string("\\\\") : std::string(1, c);
  return label;
}
}  // namespace

void findExamples() {
  namespace fs = std::filesystem;
  paths.clear();
  std::error_code error;
  for (fs::directory_iterator it(dataDir + "examples", error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (isExampleName(name) && it->is_regular_file(error)) paths.push_back(it->path().string());
  }
  // In the order a file manager shows them, whatever the case.
  std::sort(paths.begin(), paths.end(),
            [](const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) < 0; });
  if (paths.size() > size_t(maxExamples)) paths.resize(maxExamples);
}

const std::vector<std::string>& examplePaths() { return paths; }

std::vector<MenuEntry> menuWithExamples(const MenuEntry* menu, int count) {
  menuPaths.clear();
  for (const std::string& path : paths) menuPaths.push_back("&Fichier/&Exemples/" + menuLabel(path));
  std::vector<MenuEntry> entries;
  for (int i = 0; i < count; ++i) {
    entries.push_back(menu[i]);
    if (menu[i].command != CMD_OPEN) continue;
    for (size_t k = 0; k < menuPaths.size(); ++k)
      entries.push_back(MenuEntry{menuPaths[k].c_str(), CMD_EXAMPLE_FIRST + int(k)});
  }
  return entries;
}

bool openExampleCopy(char* name, const Editor& editor, int index) {
  if (index < 0 || size_t(index) >= paths.size()) return false;
  return openDocumentCopy(name, editor, paths[size_t(index)].c_str());
}
