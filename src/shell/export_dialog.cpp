// The export dialog as a form: the kind, the path (a file, or the booklet's
// folder), the picture's size, the mesh's scale and the parts list's
// collection, each active only for the kinds that use it.
#include "shell/export_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
enum Field { KIND, PATH, WIDTH, HEIGHT, SCALE, LARGEST, SIZE, COLLECTION };

bool booklet(ExportKind kind) { return kind == ExportKind::BOOKLET || kind == ExportKind::BOOKLET_PDF; }
bool sized(ExportKind kind) { return kind == ExportKind::IMAGE || booklet(kind); }
bool partsList(ExportKind kind) { return kind >= ExportKind::PARTS_TEXT && kind <= ExportKind::PARTS_HTML; }

ExportKind chosenKind(const Form& form) { return ExportKind(form.fields[KIND].chosen); }

// The view's size for the image, the booklet's own for its pictures.
void proposedSize(const ExportChoices& c, ExportKind kind, int& width, int& height) {
  width = booklet(kind) ? c.bookletWidth : c.viewWidth;
  height = booklet(kind) ? c.bookletHeight : c.viewHeight;
}

ExportForm& d(const Form& form) { return *static_cast<ExportForm*>(form.context); }

void showKindOptions(Form& form) {
  const ExportKind kind = chosenKind(form);
  form.fields[WIDTH].active = form.fields[HEIGHT].active = sized(kind);
  form.fields[SCALE].active = kind >= ExportKind::MESH_STL;
  form.fields[LARGEST].active = form.fields[SCALE].active && d(form).choices.sides.largest() > 0;
  form.fields[COLLECTION].active = partsList(kind);
  form.fields[PATH].browse = kind == ExportKind::BOOKLET ? FormField::SAVE_FOLDER : FormField::SAVE_FILE;
}

// The path and the size follow the kind while the user has not changed them.
void kindChanged(Form& form, int, void* context) {
  ExportForm& d = *static_cast<ExportForm*>(context);
  const ExportKind kind = chosenKind(form);
  if (form.fields[PATH].value == d.proposedPath) form.fields[PATH].value = d.proposedPath = d.pathFor(kind);
  int oldWidth, oldHeight, newWidth, newHeight;
  proposedSize(d.choices, d.shownKind, oldWidth, oldHeight);
  proposedSize(d.choices, kind, newWidth, newHeight);
  if (std::atoi(form.fields[WIDTH].value.c_str()) == oldWidth &&
      std::atoi(form.fields[HEIGHT].value.c_str()) == oldHeight) {
    form.fields[WIDTH].value = std::to_string(newWidth);
    form.fields[HEIGHT].value = std::to_string(newHeight);
  }
  d.shownKind = kind;
  showKindOptions(form);
}

// The numbers are checked here, the rest by the export itself. A French
// user writes a decimal comma, others a point: both are read.
bool readDecimal(std::string text, double& number) {
  std::replace(text.begin(), text.end(), ',', '.');
  if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
  char* end = nullptr;
  number = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(number);
}

// The scales the export takes, as --scale.
bool readScale(const std::string& text, double& scale) {
  return readDecimal(text, scale) && scale >= 0.000001 && scale <= 1000000;
}

std::string checkScale(const Form& form, void*) {
  double scale;
  if (readScale(form.fields[SCALE].value, scale)) return "";
  return "L'échelle doit être un nombre de 0,000001 à 1000000, par exemple 1 ou 0,5.";
}

// A decimal comma, as the millimetres have.
std::string scaleText(double scale) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", scale);
  std::string s = text;
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

// Millimetres with one decimal, a comma before it.
std::string millimetres(double mm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", mm);
  std::string s = text;
  if (const size_t dot = s.find('.'); dot != std::string::npos) s[dot] = ',';
  return s;
}

// The mesh's size at the scale typed: width and depth on the ground, then
// the height (the model's Y).
std::string sizeText(const MeshSides& sides, double scale) {
  if (!(sides.largest() > 0)) return "Le modèle n'a pas de triangle.";
  return millimetres(sides.x * scale) + " × " + millimetres(sides.z * scale) + " mm au sol, " +
         millimetres(sides.y * scale) + " mm de haut";
}

// The scale and the largest side follow each other; the size follows both.
void sizeTyped(Form& form, int field, void*) {
  const MeshSides& sides = d(form).choices.sides;
  double scale = 0, largest = 0;
  if (field == SCALE && readScale(form.fields[SCALE].value, scale) && sides.largest() > 0)
    form.fields[LARGEST].value = millimetres(sides.largest() * scale);
  if (field == LARGEST && readDecimal(form.fields[LARGEST].value, largest) && largest > 0 && sides.largest() > 0)
    form.fields[SCALE].value = scaleText(largest / sides.largest());
  if (readScale(form.fields[SCALE].value, scale)) form.fields[SIZE].value = sizeText(sides, scale);
}

FormField field(FormField::Type type, const char* label, std::string value, int width = 0) {
  FormField f;
  f.type = type, f.label = label, f.value = std::move(value), f.width = width;
  return f;
}
}  // namespace

void makeExportForm(ExportForm& d, const ExportChoices& c, std::string (*pathFor)(ExportKind),
                    const std::string& note) {
  d.choices = c;
  d.pathFor = pathFor;
  d.proposedPath = c.path;
  d.shownKind = c.kind;
  Form& form = d.form;
  form = Form{};
  form.title = "Exporter le modèle";
  form.note = note;
  FormField kind = field(FormField::CHOICE, "&Exporter :", "");
  for (int k = 0; k < EXPORT_KIND_COUNT; ++k) kind.entries.push_back(exportKindLabel(ExportKind(k)));
  kind.chosen = int(c.kind);
  form.fields.push_back(kind);
  form.fields.push_back(field(FormField::TEXT, "&Vers :", c.path));
  form.fields[PATH].browseLabel = "&Parcourir...";
  form.fields.push_back(field(FormField::INTEGER, "&Largeur :", std::to_string(c.width), 80));
  form.fields.push_back(field(FormField::INTEGER, "&Hauteur :", std::to_string(c.height), 80));
  form.fields[HEIGHT].besideLast = true;
  form.fields.push_back(field(FormField::TEXT, "É&chelle :", scaleText(c.scale), 80));
  form.fields.push_back(field(FormField::TEXT, "Côté max. (&mm) :", millimetres(c.sides.largest() * c.scale), 80));
  form.fields.push_back(field(FormField::LABEL, "", sizeText(c.sides, c.scale)));
  form.fields[SIZE].besideLast = true;
  form.fields.push_back(field(FormField::TEXT, "C&ollection :", c.havePath));
  form.fields[COLLECTION].browse = FormField::OPEN_FILE;
  form.fields[COLLECTION].browseLabel = "Pa&rcourir...";
  form.fields[COLLECTION].filter = "Collections (*.csv)\t*.csv\nTous les fichiers (*.*)\t*";
  form.choiceChanged = kindChanged;
  form.textChanged = sizeTyped;
  form.check = checkScale;
  form.checkCaption = "Export";
  form.context = &d;
  showKindOptions(form);
}

ExportChoices chosenExport(const ExportForm& d) {
  ExportChoices c = d.choices;
  const std::vector<FormField>& f = d.form.fields;
  c.kind = chosenKind(d.form);
  c.path = f[PATH].value;
  c.width = std::atoi(f[WIDTH].value.c_str());
  c.height = std::atoi(f[HEIGHT].value.c_str());
  readScale(f[SCALE].value, c.scale);
  c.havePath = f[COLLECTION].value;
  return c;
}

bool askExportChoices(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note) {
  ExportForm dialog;
  makeExportForm(dialog, choices, pathFor, note);
  if (!showForm(dialog.form)) return false;
  choices = chosenExport(dialog);
  return true;
}
