// The menu table, the recent files in it, the switches' check marks, and
// the preferences as the running program keeps them.
#include "shell/main_menu.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"
#include "shell/documents.h"
#include "shell/example_documents.h"
#include "shell/key_switches.h"
#include "shell/menu_commands.h"
#include "shell/shared_state.h"

namespace {
constexpr int ctrl = SHORTCUT_CTRL, shift = SHORTCUT_SHIFT, key = SHORTCUT_KEY;
// An item whose key the editor or the view's key switches take themselves.
constexpr MenuEntry keyItem(const char* path, int command, int shortcut) {
  return {path, command, shortcut, false, true, false};
}
constexpr MenuEntry switchItem(const char* path, int vk) {
  return {path, CMD_SWITCH_FIRST + vk, key | vk, false, true, true};
}
constexpr int switchKeys[] = {VK_F1, VK_F2, VK_F3, VK_F4, VK_F5, VK_F7, VK_F8};
}  // namespace

const MenuEntry mainMenu[] = {
    {"&Fichier/&Nouveau", CMD_NEW, ctrl | 'n'},
    {"&Fichier/&Ouvrir...", CMD_OPEN, ctrl | 'o'},
    {"&Fichier/&Sauver", CMD_SAVE, ctrl | 's'},
    {"&Fichier/Sauver so&us...", CMD_SAVE_AS, ctrl | shift | 's'},
    {"&Fichier/Quitter", CMD_QUIT, ctrl | 'q'},
    {"&Edition/&Annuler", CMD_UNDO, ctrl | 'z'},
    {"&Edition/&Rétablir", CMD_REDO, ctrl | 'y'},
    {"&Edition/Rétablir ", CMD_REDO, ctrl | shift | 'z', true},
    keyItem("&Edition/Annuler &insertion", CMD_UNDO_INSERTION, key | VK_F9),
    keyItem("&Edition/Co&uper", CMD_CUT, ctrl | 'x'),
    keyItem("&Edition/&Copier", CMD_COPY, ctrl | 'c'),
    keyItem("&Edition/C&oller", CMD_PASTE, ctrl | 'v'),
    {"&Edition/Tout &sélectionner", CMD_SELECT_ALL, ctrl | 'a'},
    {"&Edition/Rec&hercher...", CMD_FIND, ctrl | 'f'},
    {"&Edition/Rechercher et re&mplacer...", CMD_REPLACE, ctrl | 'h'},
    {"&Edition/Aller à la &ligne...", CMD_GO_TO_LINE, ctrl | 'g'},
    {"&Edition/Pré&férences...", CMD_PREFERENCES},
    keyItem("&RenduGL/&Compiler le code", CMD_COMPILE, key | VK_F12),
    {"&RenduGL/&Vérifier le modèle", CMD_VERIFY, ctrl | shift | 'v'},
    {"&RenduGL/E&xporter le code", CMD_EXPORT},
    switchItem("&RenduGL/&Insertion à la souris", VK_F4),
    switchItem("&RenduGL/&Références relatives", VK_F7),
    switchItem("&RenduGL/Re&père pour la prochaine pièce", VK_F8),
    keyItem("&RenduGL/&Nombre de pièces", CMD_STATISTICS, key | VK_F6),
    {"&Affichage/&Réinitialiser la vue", CMD_RESET_VIEW},
    keyItem("&Affichage/&Cadrer le modèle", CMD_FIT_VIEW, key | VK_HOME),
    switchItem("&Affichage/&Salle", VK_F1),
    switchItem("&Affichage/&Faces pleines", VK_F2),
    switchItem("&Affichage/Éc&lairage", VK_F3),
    switchItem("&Affichage/&Axes", VK_F5),
    {"A propos", CMD_ABOUT},
    {"Aide/&Guide", CMD_GUIDE},
    {"Aide/&Raccourcis", CMD_SHORTCUTS},
};
const int mainMenuLength = int(sizeof mainMenu / sizeof mainMenu[0]);

namespace {
std::vector<std::string> recentPaths;  // what the recent files' entries point to
int shownSwitches = -1;  // the marks last set, a bit per switch; -1: none set yet

// "&1 /home/marie/tour.vxo": the name as it is, its slashes, backslashes
// and ampersands escaped.
std::string recentLabel(int rank, const std::string& path) {
  const std::string utf8 = isValidUtf8(path) ? path : cp1252ToUtf8(path);
  std::string label = "&Fichier/Fichiers &récents/&" + std::to_string(rank + 1) + " ";
  for (char c : utf8) {
    if (c == '/' || c == '\\') label += '\\';
    label += c == '&' ? std::string("&&") : std::string(1, c);
  }
  return label;
}

// The window's place and dividers as the preferences keep them.
void samplePlacement(Preferences& p) {
  if (!desktop.hMainWindow) return;
  const WindowPlacement w = windowPlacement(desktop.hMainWindow);
  const PaneDividers d = paneDividers(desktop.hMainWindow);
  if (w.width > 0) p.window = w;
  if (d.viewLeft > 0) p.dividers = d;
}

std::string storedText;  // what the file holds, as far as this run knows
bool problemSaid = false;
bool kept = false;  // the preferences were read: this run keeps them
std::string readProblem;  // said once the windows are there

void sayPreferencesProblem(const std::string& problem, const char* doing) {
  if (problem.empty() || problemSaid) return;
  problemSaid = true;
  const std::string text = std::string("Les préférences ne peuvent pas être ") + doing +
                           " dans le fichier suivant :\n" + preferencesPath() + "\n" + problem;
  showMessage(text.c_str(), "Préférences", ICON_EXCLAMATION);
}
}  // namespace

std::vector<MenuEntry> fullMenu() {
  std::vector<MenuEntry> entries = menuWithExamples(mainMenu, mainMenuLength);
  recentPaths.clear();
  const std::vector<std::string>& files = desktop.preferences.recentFiles;
  for (size_t i = 0; i < files.size(); ++i) recentPaths.push_back(recentLabel(int(i), files[i]));
  if (files.empty()) recentPaths.push_back("&Fichier/Fichiers &récents/(aucun)");
  // After the examples, before "Sauver".
  auto at = std::find_if(entries.begin(), entries.end(), [](const MenuEntry& e) { return e.command == CMD_SAVE; });
  for (size_t i = 0; i < recentPaths.size(); ++i)
    at = entries.insert(at, MenuEntry{recentPaths[i].c_str(), files.empty() ? 0 : CMD_RECENT_FIRST + int(i)}) + 1;
  return entries;
}

void rebuildMenu() {
  const std::vector<MenuEntry> menu = fullMenu();
  setMenuEntries(desktop.hMainWindow, menu.data(), int(menu.size()));
  shownSwitches = -1;
  showSwitchesInMenu();
}

void showSwitchesInMenu() {
  int on = 0;
  for (size_t i = 0; i < std::size(switchKeys); ++i)
    if (switchIsOn(switchKeys[i], desktop.view, desktop.insertion)) on |= 1 << i;
  if (on == shownSwitches) return;
  for (size_t i = 0; i < std::size(switchKeys); ++i)
    setMenuItemChecked(desktop.hMainWindow, CMD_SWITCH_FIRST + switchKeys[i], on & (1 << i));
  shownSwitches = on;
}

int switchOfCommand(int command) {
  for (const int k : switchKeys)
    if (command == CMD_SWITCH_FIRST + k) return k;
  return 0;
}

void loadDesktopPreferences() {
  std::string problem;
  desktop.preferences = loadPreferences(preferencesPath(), &problem);
  kept = true;
  setUntitledFolder(desktop.preferences.lastFolder);
  if (!problem.empty()) readProblem = problem + "\nLes réglages par défaut sont pris.";
}

void preferencesShown() {
  samplePlacement(desktop.preferences);
  storedText = preferencesText(desktop.preferences);
  sayPreferencesProblem(readProblem, "lues");
}

void storeDesktopPreferences() {
  if (!kept) return;
  samplePlacement(desktop.preferences);
  const std::string text = preferencesText(desktop.preferences);
  if (text == storedText) return;
  storedText = text;  // tried once, not at every pass after a failure
  sayPreferencesProblem(storePreferences(preferencesPath(), desktop.preferences), "enregistrées");
}

void keepWindowPlacement(bool now) {
  if (!kept) return;
  using Clock = std::chrono::steady_clock;
  static std::string seen;
  static Clock::time_point changed;
  Preferences p = desktop.preferences;
  samplePlacement(p);
  if (std::string text = preferencesText(p); text != seen) seen = std::move(text), changed = Clock::now();
  if (now || Clock::now() - changed > std::chrono::milliseconds(500)) storeDesktopPreferences();
}

void noteDocumentFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return;
  addRecentFile(desktop.preferences, absolute.string());
  desktop.preferences.lastFolder = absolute.parent_path().string();
  setUntitledFolder(desktop.preferences.lastFolder);
  rebuildMenu();
  storeDesktopPreferences();
}
