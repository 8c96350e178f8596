#include "shell/parts_command.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "exports/part_pictures.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_files.h"
#include "platform/core_messages.h"
#include "platform/core_safe_writer.h"
#include "platform/core_text_encoding.h"
#include "shell/command_options.h"
#include "shell/render_command.h"
#include "view/offscreen_view.h"

namespace {
// A collection is a short list; a bigger file is no collection.
constexpr long long MAX_COLLECTION_BYTES = 4LL * 1024 * 1024;
constexpr int PICTURE_SIZE = 64;

void showError(const std::string& text) { showMessage(text.c_str(), "Erreur", ICON_EXCLAMATION); }

// Every picture is drawn before the page is written, in a view started for
// them alone: the page is written whole or not at all.
bool partsHtml(const std::string& scriptName, const std::vector<PartCount>& parts,
               const std::vector<PartCount>* have, std::string& html) {
  OffscreenView view;
  if (!openOffscreenView(view, PICTURE_SIZE, PICTURE_SIZE, dataDir)) return false;
  std::map<std::pair<int, std::string>, std::string> pictures;
  for (const PartCount& part : parts) {
    const std::string png = kindPicturePng(view.renderer, part.kind, part.colour, PICTURE_SIZE);
    pictures[{part.kind, colourHex(part.colour)}] = png.empty() ? "" : pngDataUri(png);
  }
  closeOffscreenView(view);
  const PictureSource picture = [&](const PartCount& part) { return pictures[{part.kind, colourHex(part.colour)}]; };
  html = partsHtmlPage(scriptName, parts, picture, have);
  return true;
}
}  // namespace

std::vector<PartCount> modelParts() { return countParts(modelTable, usedPrefixLength()); }

bool readCollection(const std::string& path, std::vector<PartCount>& have, std::string& error) {
  std::string bytes;
  const FileReadError readError = readRegularFile(path.c_str(), MAX_COLLECTION_BYTES, &bytes);
  if (readError != FileReadError::None) return error = fileReadErrorReason(readError, MAX_COLLECTION_BYTES), false;
  return readPartsCsv(bytes, have, error);
}

bool readCollectionFile(const std::string& path, std::vector<PartCount>& have) {
  std::string error;
  if (readCollection(path, have, error)) return true;
  std::fprintf(stderr, "%s\n", terminalText("vexocad: Collection de pièces illisible: " + path + " (" + error + ")").c_str());
  return false;
}

bool writePartsFile(const std::string& path, const std::string& scriptName, const std::vector<PartCount>* have) {
  const std::vector<PartCount> parts = modelParts();
  std::string bytes;
  switch (partsFormatOf(path)) {
    case PartsFormat::TEXT: bytes = partsText(parts, have); break;
    case PartsFormat::CSV: bytes = partsCsv(parts, have); break;
    case PartsFormat::HTML:
      if (!partsHtml(std::filesystem::path(scriptName).filename().string(), parts, have, bytes)) return false;
      break;
    case PartsFormat::NONE: break;
  }
  const WriteResult written = bytes.empty() ? WriteResult{WriteProblem::OTHER, ""} : writeFileSafely(path, bytes);
  if (!written.ok())
    showError("Impossible d'écrire la liste des pièces " + path + (written.reason.empty() ? "" : " (" + written.reason + ")"));
  return written.ok();
}
