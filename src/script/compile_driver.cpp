// The compile driver: reads the script line by line, cuts each line into
// words and tests every word against the statements in a fixed order. The
// order decides what comments, skipped definitions, repeat blocks and
// conditional branches hide, so it is kept exactly.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "platform/core_text_encoding.h"
#include "script/compile_record.h"
#include "script/compile_state.h"
#include "script/key_bindings.h"

namespace {
const unsigned char PIECE_MARKER = '#';
const unsigned char FRAME_MARKER = 0xA4;    // the Windows-1252 byte of the currency sign
const unsigned char FUNCTION_MARKER = 0xA7; // the Windows-1252 byte of the section sign

bool isBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// At most 255 bytes of the line count, and a NUL byte ends it. A run longer
// than 127 characters keeps its first 127; words after the twentieth are
// never seen.
void cutLine(CompileState& s, std::string_view text) {
  std::memset(s.words, 0, sizeof s.words);
  const size_t length = std::min({text.find('\0'), text.size(), size_t(LINE_CAPACITY - 1)});
  size_t i = 0;
  for (int w = 0; w < WORDS_PER_LINE; ++w) {
    while (i < length && isBlank(text[i])) ++i;
    if (i >= length) break;
    int n = 0;
    for (; i < length && !isBlank(text[i]); ++i)
      if (n < WORD_CAPACITY - 1) s.words[w][n++] = text[i];
  }
}

// Messages of one compile already shown in a box, by line, caption and
// text, and how many of them came back and were held back.
struct RepeatedMessages {
  bool showOnce = false;
  std::unordered_set<std::string> shown;
  long long heldBack = 0;
};
RepeatedMessages repeatedMessages;

void reportHeldBackMessages() {
  const long long n = repeatedMessages.heldBack;
  if (n == 0) return;
  const std::string text =
      n == 1 ? std::string("1 message répété n'a pas été affiché.")
             : format("%lld messages répétés n'ont pas été affichés.", n);
  showMessage((text + "\nUn même message d'une même ligne n'est montré qu'une fois par compilation.").c_str(),
              "Messages répétés", ICON_INFORMATION);
}

void startState(CompileState& s, const ScriptLines& lines) {
  s = CompileState{};
  s.lines = &lines;
  s.lineCount = int32_t(std::min<size_t>(lines.size(), INT32_MAX));
  s.pieceCounter = -1;
  s.lastCondition = false;
}

void freeRepeatStack(RepeatFrame* frame) {
  while (frame) {
    RepeatFrame* below = frame->next;
    delete frame;
    frame = below;
  }
}

// A stopped compile ended wherever it was, so blocks still open there are
// no fault of the script.
void endCompile(CompileState& s, CompileResult& result) {
  unwindCalls(s);
  result.variablesLeft = s.variables.count;
  freeVariables(s.variables);
  freeFunctions(s.functions);
  if (s.repeatStack && !result.stopped) syntaxError("Il manque un finrepete");
  freeRepeatStack(s.repeatStack);
  s.repeatStack = nullptr;
}

// "/*note*/" opens and closes its comment in one word: it is skipped and
// leaves an open block comment open and a closed one closed.
bool isWholeComment(const char* w) {
  const size_t length = std::strlen(w);
  return length >= 4 && startsWith(w, "/*") && std::strcmp(w + length - 2, "*/") == 0;
}

// Steps 1 to 9: comments, skipped definitions, repeat ends and conditional
// branches. Returns true when the word's examination ends here.
bool gateWord(CompileState& s, const char* w, Flow& flow) {
  flow = Flow::NextWord;
  if (!*w) return flow = Flow::NextLine, true;
  if (startsWith(w, "//")) return flow = Flow::NextLine, true;
  if (isWholeComment(w)) return true;
  if (startsWith(w, "/*")) s.inBlockComment = true;
  if (startsWith(w, "*/"))
    s.inBlockComment = false;
  else if (s.inBlockComment)
    return true;
  if (s.definingFunction && !startsWith(w, "finfonction") && !startsWith(w, "endfunction"))
    return true;
  if (startsWith(w, "finrepete")) {
    if (s.repeatSkip > 0)
      --s.repeatSkip;
    else
      return flow = endRepeat(s), true;
  }
  if (s.repeatSkip > 0) return true;
  if (isWord(w, "si") || isWord(w, "if") || isWord(w, "sinon") || isWord(w, "else") ||
      isWord(w, "finsi") || isWord(w, "endif")) {
    conditionalWord(s, w);
    return true;
  }
  return s.falseBranch > 0 || s.skipDepth > 0;
}

// Steps 10 to 15: blocks, definitions' ends and declarations. Returns the word
// to go on with, or nullptr with the flow set when the examination ends.
const char* blockWord(CompileState& s, const char* w, Flow& flow) {
  flow = Flow::NextLine;
  if (startsWith(w, "sortir")) return leaveRepeat(s), nullptr;
  if (startsWith(w, "repete")) return openRepeat(s), nullptr;
  if (s.definingFunction)
    endDefinition(s);
  else if (isWord(w, "finfonction") || isWord(w, "endfunction"))
    return returnFromCall(s), nullptr;
  if (startsWith(w, "findeclare")) s.declareMode = false;
  if (startsWith(w, "int") && !(w = declareVariables(s, false))) return nullptr;
  if (startsWith(w, "float") && !(w = declareVariables(s, true))) return nullptr;
  flow = Flow::NextWord;
  return w;
}

// Steps 16 to 34: the statements.
Flow statementWord(CompileState& s, const char* w) {
  const unsigned char first = static_cast<unsigned char>(w[0]);
  if (first == PIECE_MARKER || first == FRAME_MARKER) {
    if (pieceWord(s, w + 1, first == FRAME_MARKER) == Flow::NextLine) return Flow::NextLine;
    ++w;
  }
  if (startsWith(w, "id")) {
    w = std::strlen(w) >= 3 ? w + 3 : "";
    nameCurrentPiece(s, w);
  }
  if (startsWith(w, "%")) return referenceStatement(s, w), Flow::NextWord;
  if (w[0] == '&' && s.currentPiece) {
    rebaseStatement(s, w + 1);
    ++w;
  }
  if (startsWith(w, "translation") || startsWith(w, "trans")) return translationStatement(s), Flow::NextWord;
  if (startsWith(w, "rot")) return rotationStatement(s), Flow::NextWord;
  if (isWord(w, "couleurf")) return colourFractions(s), Flow::NextWord;
  if (isWord(w, "couleuri")) return colourBytes(s), Flow::NextWord;
  if (startsWith(w, "couleur=")) return colourHex(s, w + 8), Flow::NextWord;
  if (startsWith(w, "color=")) return colourHex(s, w + 6), Flow::NextWord;
  if (startsWith(w, "ajoute")) return addStatement(s), Flow::NextWord;
  if (startsWith(w, "op")) return operationStatement(s, w), Flow::NextWord;
  if (startsWith(w, "set")) return setStatement(s), Flow::NextWord;
  if (startsWith(w, "@")) return attachStatement(s, w), Flow::NextWord;
  if (isWord(w, "fonction") || static_cast<unsigned char>(w[0]) == FUNCTION_MARKER ||
      isWord(w, "function"))
    return defineFunction(s), Flow::NextWord;
  if (startsWith(w, "appel") || startsWith(w, "call")) return callFunction(s), Flow::NextLine;
  if (startsWith(w, "3D")) return fixedTurn(s, w), Flow::NextWord;
  if (startsWith(w, "declare")) w = declareBinding(s);
  if (isWord(w, "autre") && s.declareMode) anotherBinding(s);
  return Flow::NextWord;
}

Flow examineWord(CompileState& s, const char* w) {
  Flow flow;
  if (gateWord(s, w, flow)) return flow;
  if (!(w = blockWord(s, w, flow))) return flow;
  return statementWord(s, w);
}

void compileLine(CompileState& s) {
  for (s.wordIndex = 0; s.wordIndex < WORDS_PER_LINE; ++s.wordIndex)
    if (examineWord(s, s.words[s.wordIndex]) == Flow::NextLine) return;
}
}  // namespace

bool startsWith(const char* word, const char* keyword) {
  for (; *keyword; ++word, ++keyword) {
    unsigned char a = static_cast<unsigned char>(*word), b = static_cast<unsigned char>(*keyword);
    if (a >= 'A' && a <= 'Z') a += 'a' - 'A';
    if (b >= 'A' && b <= 'Z') b += 'a' - 'A';
    if (a != b) return false;
  }
  return true;
}

bool isWord(const char* word, const char* keyword) {
  return std::strlen(word) == std::strlen(keyword) && startsWith(word, keyword);
}

const char* wordAt(const CompileState& s, int index) {
  if (index < 0 || index >= WORDS_PER_LINE) return "";
  return s.words[index];
}

const char* takeWord(CompileState& s) {
  if (s.wordIndex < WORDS_PER_LINE) ++s.wordIndex;
  return wordAt(s, s.wordIndex);
}

std::string scriptText(const char* cp1252) { return cp1252ToUtf8(cp1252); }

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text(n > 0 ? size_t(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), size_t(n) + 1, fmt, args);
  va_end(args);
  return text;
}

void reportMessage(const std::string& text, const char* caption, MessageIcon icon) {
  if (repeatedMessages.showOnce) {
    std::string key = std::to_string(messageLine()) + '\n' + caption + '\n' + text;
    if (!repeatedMessages.shown.insert(std::move(key)).second) {
      ++repeatedMessages.heldBack;
      return;
    }
  }
  showMessage(text.c_str(), caption, icon);
}

void syntaxError(const std::string& text, MessageIcon icon) { reportMessage(text, "Erreur de syntaxe", icon); }

CompileRecord compileRecord;

ScriptLines::ScriptLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) push_back(line);
}

ScriptLines::ScriptLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) push_back(line);
}

void ScriptLines::push_back(std::string_view line) {
  if (text.size() + line.size() > UINT32_MAX) return;
  text += line;
  ends.push_back(uint32_t(text.size()));
}

CompileResult compileScript(const ScriptLines& lines, const CompileControl* control) {
  CompileState s;
  startState(s, lines);
  clearModel();
  clearKeyBindings();
  compileRecord = CompileRecord{};
  CompileResult result;
  repeatedMessages = RepeatedMessages{control && control->showRepeatsOnce, {}, 0};
  const int interval = control && control->interval > 0 ? control->interval : 4096;
  while (s.nextLine < s.lineCount) {
    cutLine(s, lines[size_t(s.nextLine)]);
    ++s.nextLine;
    setMessageLine(s.nextLine);
    // Outside every call and repeat block, the line read is a line of the top level.
    if (s.callDepth == 0 && !s.repeatStack) s.topLevelLine = s.nextLine;
    compileLine(s);
    ++result.linesRead;
    if (control && control->keepGoing && result.linesRead % interval == 0 &&
        !control->keepGoing(control->context, int(std::min<long long>(result.linesRead, INT32_MAX)),
                            std::min(s.pieceCounter + 1, MODEL_CAPACITY))) {
      result.stopped = true;
      break;
    }
  }
  setMessageLine(s.lineCount);
  endCompile(s, result);
  setMessageLine(0);
  reportHeldBackMessages();
  repeatedMessages = RepeatedMessages{};
  result.piecesPlaced = std::max(0, std::min(s.pieceCounter + 1, MODEL_CAPACITY));
  compileRecord.piecesLeftOut = std::max<int64_t>(0, int64_t(s.pieceCounter) + 1 - MODEL_CAPACITY);
  return result;
}
