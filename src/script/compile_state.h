// State of one compile and the helpers its statements share. Internal to the
// script compiler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/model_table.h"
#include "platform/core_messages.h"
#include "script/compiler.h"

constexpr int WORDS_PER_LINE = 20;
constexpr int WORD_CAPACITY = 128;  // 127 characters and the terminator
constexpr int LINE_CAPACITY = 256;  // 255 characters and the terminator

struct Variable {
  char* name;
  double value;
  Variable* next;
  Variable* hidden;  // the older entry of the same name that this one hides
  int32_t scope;     // call depth of the declaring scope; -1 for a parameter
};

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The variables in scope. The list, newest first, owns its entries; the
// index beside it holds the newest entry of each name, so that a lookup
// costs the same however many variables a script has made.
struct VariableList {
  Variable* head = nullptr;
  std::unordered_map<std::string, Variable*, NameHash, std::equal_to<>> newest;
  int32_t count = 0;
};

struct ScriptFunction {
  char* name;
  int32_t parameterCount;
  int32_t bodyLine;     // index of the first body line
  int32_t endLine;      // number of the line that ended the definition, -1 while open
  int32_t activeDepth;  // call depth while running, -1 otherwise
  int32_t returnLine;   // index of the line after the running call
  Variable* parameters; // last declared first
  Variable* savedVariables;  // the caller's list head
  ScriptFunction* next;      // the one defined before
};

// The functions defined so far. The chain from all owns them, newest first;
// newest is the one defined (or defined again in place) last, whose
// definition may still be open. The index holds, for each name, the entry a
// call runs, and running the calls in progress, innermost last, so that
// neither a definition nor a call walks the whole chain.
struct FunctionTable {
  ScriptFunction* all = nullptr;
  ScriptFunction* newest = nullptr;
  std::unordered_map<std::string, ScriptFunction*, NameHash, std::equal_to<>> byName;
  std::vector<ScriptFunction*> running;
};

struct RepeatFrame {
  int32_t bodyLine;
  int32_t iteration;
  int32_t count;
  RepeatFrame* next;
};

struct CompileState {
  const ScriptLines* lines;
  int32_t nextLine;
  int32_t lineCount;
  int32_t wordIndex;
  char words[WORDS_PER_LINE][WORD_CAPACITY];
  int32_t pieceCounter;
  PieceRecord* currentPiece;
  bool inBlockComment;
  bool definingFunction;
  bool declareMode;
  int32_t keyBindingCount;
  bool bindingRefused;  // the open declaration was refused: its moves go nowhere
  int32_t repeatSkip;
  int32_t falseBranch;
  int32_t skipDepth;
  bool lastCondition;
  VariableList variables;
  FunctionTable functions;
  int32_t callDepth;
  RepeatFrame* repeatStack;
  int32_t topLevelLine;  // see PieceRecord
};

// What the word loop does after a statement.
enum class Flow { NextWord, NextLine };

// --- words and keywords (ASCII case ignored)
bool startsWith(const char* word, const char* keyword);
bool isWord(const char* word, const char* keyword);
const char* wordAt(const CompileState& s, int index);
// Moves to the next word and returns it (empty past the twentieth).
const char* takeWord(CompileState& s);

// --- values
Variable* findVariable(const VariableList& list, const char* name);
// A declaration: a name that the running scope already has keeps its entry
// and takes the value, so a loop of declarations runs in constant memory.
void declareVariable(CompileState& s, const char* name, double value);
// Puts a new entry at the head, hiding any older one of the same name.
void pushVariable(VariableList& list, const char* name, double value, int32_t scope);
// Lays a chain of entries that the list does not own (a function's
// parameters) over the list, and takes it off again.
void indexChain(VariableList& list, Variable* first, const Variable* end);
void unindexChain(VariableList& list, Variable* first, const Variable* end);
// Frees the entries from the head up to (not including) stop.
void freeVariablesUntil(VariableList& list, const Variable* stop);
void freeVariables(VariableList& list);
// A chain that no index knows: a function's parameter list.
void freeParameterChain(Variable* chain);
int32_t readInt(const char* word, const VariableList& variables);
float readFloat(const char* word, const VariableList& variables);
int32_t readHex(const char* word, const VariableList& variables);

// --- messages; texts are formatted in full, script bytes converted to UTF-8
std::string scriptText(const char* cp1252);
// Every message of the compile goes through reportMessage.
void reportMessage(const std::string& text, const char* caption, MessageIcon icon);
void syntaxError(const std::string& text, MessageIcon icon = ICON_EXCLAMATION);
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// --- statements
// Reads three values: the angles of a rotation or the steps of a translation.
Matrix readTransform(CompileState& s, bool rotation);
Flow pieceWord(CompileState& s, const char* rest, bool frameMarker);
void nameCurrentPiece(CompileState& s, const char* name);
void referenceStatement(CompileState& s, const char* word);
void rebaseStatement(CompileState& s, const char* rest);
void translationStatement(CompileState& s);
void rotationStatement(CompileState& s);
void colourFractions(CompileState& s);
void colourBytes(CompileState& s);
void colourHex(CompileState& s, const char* hexText);
void attachStatement(CompileState& s, const char* word);
void fixedTurn(CompileState& s, const char* word);

// Returns the word that ended the run, or nullptr when the line is finished.
const char* declareVariables(CompileState& s, bool isFloat);
void addStatement(CompileState& s);
void operationStatement(CompileState& s, const char* word);
void setStatement(CompileState& s);

void openRepeat(CompileState& s);
Flow endRepeat(CompileState& s);
void leaveRepeat(CompileState& s);
void conditionalWord(CompileState& s, const char* word);
void defineFunction(CompileState& s);
void endDefinition(CompileState& s);
void callFunction(CompileState& s);
void returnFromCall(CompileState& s);
void unwindCalls(CompileState& s);
void freeFunctions(FunctionTable& functions);

// Returns the reference word reduced to its number or name.
const char* declareBinding(CompileState& s);
void anotherBinding(CompileState& s);
void transformNewestBinding(CompileState& s, bool rotation);
