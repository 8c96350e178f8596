// Repeat blocks, conditionals and functions. All of them work by moving the
// compile's line cursor or by skipping words; the text is re-read on every
// pass and every call.
#include <cstdlib>
#include <cstring>

#include "script/compile_state.h"

namespace {
bool evaluateCondition(CompileState& s) {
  const double a = readFloat(takeWord(s), s.variables);
  const char* op = takeWord(s);
  const double b = readFloat(takeWord(s), s.variables);
  if (std::strcmp(op, ">") == 0) return a > b;
  if (std::strcmp(op, "<") == 0) return a < b;
  if (std::strcmp(op, ">=") == 0) return !(a < b);
  if (std::strcmp(op, "<=") == 0) return a < b || a == b;
  if (std::strcmp(op, "!=") == 0 || std::strcmp(op, "<>") == 0) return a != b;
  return s.lastCondition;
}

ScriptFunction* findFunction(const FunctionTable& functions, const char* name) {
  const auto found = functions.byName.find(std::string_view(name));
  return found == functions.byName.end() ? nullptr : found->second;
}

// The last of the function's own parameter entries; while a call runs its
// next is the caller's list, so the walk counts instead of looking for null.
Variable* parameterTail(ScriptFunction* f) {
  Variable* p = f->parameters;
  for (int32_t k = 1; p && k < f->parameterCount; ++k) p = p->next;
  return p;
}

// Parameter position j counts from the head, the last declared parameter.
bool storeArgument(ScriptFunction* f, int32_t j, double value) {
  Variable* p = f->parameters;
  for (int32_t k = 0; p && k < j; ++k) p = p->next;
  if (!p) {
    syntaxError(format("Impossible d'assigner un argument supplémentaire à la variable %s!",
                       f->parameters ? scriptText(f->parameters->name).c_str() : ""));
    return false;
  }
  p->value = value;
  return true;
}

void readArguments(CompileState& s, ScriptFunction* f) {
  for (int32_t j = f->parameterCount - 1; j >= 0 && s.wordIndex + 1 < WORDS_PER_LINE; --j)
    if (!storeArgument(f, j, readFloat(takeWord(s), s.variables))) return;
}

// The body sees its parameters first and every variable of the caller behind.
void linkParameters(CompileState& s, ScriptFunction* f) {
  int32_t length = 0;
  for (Variable* p = f->parameters; p; p = p->next) ++length;
  if (length < f->parameterCount) syntaxError("Erreur concernant les variables locales!");
  if (Variable* last = parameterTail(f)) {
    last->next = s.variables.head;
    s.variables.head = f->parameters;
    indexChain(s.variables, f->parameters, last->next);
  }
}

// Variables made during the call are freed; the parameters are cut off
// again and keep their values.
void unlinkParameters(CompileState& s, ScriptFunction* f) {
  freeVariablesUntil(s.variables, f->parameters ? f->parameters : f->savedVariables);
  if (Variable* last = parameterTail(f)) {
    unindexChain(s.variables, f->parameters, last->next);
    last->next = nullptr;
  }
  s.variables.head = f->savedVariables;
}
}  // namespace

void openRepeat(CompileState& s) {
  const int32_t count = readInt(takeWord(s), s.variables);
  if (count < 0)
    syntaxError(format("Ligne %d: syntaxe repete [nombrederépétitions]", s.nextLine), ICON_INFORMATION);
  else if (count == 0)
    ++s.repeatSkip;
  else
    s.repeatStack = new RepeatFrame{s.nextLine, 1, count, s.repeatStack};
}

Flow endRepeat(CompileState& s) {
  RepeatFrame* top = s.repeatStack;
  if (!top) {
    syntaxError(format("Ligne %d, un finrepete est en trop!", s.nextLine));
  } else if (top->iteration < top->count) {
    ++top->iteration;
    s.nextLine = top->bodyLine;
  } else {
    s.repeatStack = top->next;
    delete top;
  }
  return Flow::NextLine;
}

void leaveRepeat(CompileState& s) {
  RepeatFrame* top = s.repeatStack;
  if (!top) return;
  s.repeatStack = top->next;
  delete top;
  ++s.repeatSkip;
}

void conditionalWord(CompileState& s, const char* w) {
  if (isWord(w, "si") || isWord(w, "if")) {
    if (s.falseBranch >= 1 || s.skipDepth >= 1) {
      ++s.skipDepth;
    } else if (evaluateCondition(s)) {
      s.lastCondition = true;
    } else {
      s.lastCondition = false;
      s.falseBranch = 1;
    }
  } else if (isWord(w, "sinon") || isWord(w, "else")) {
    if (s.skipDepth >= 1) return;
    if (s.falseBranch == 1)
      s.falseBranch = 0;
    else
      s.skipDepth = 1;
  } else if (s.skipDepth >= 1) {
    --s.skipDepth;
  } else if (s.falseBranch >= 1) {
    --s.falseBranch;
  }
}

// A definition met again at the same line (a loop around it) is the one
// already made: it becomes the newest again, its parameters back at zero as
// a new definition's are, instead of one more entry on every pass.
bool redefineInPlace(CompileState& s, const char* name) {
  ScriptFunction* f = findFunction(s.functions, name);
  if (!f || f->bodyLine != s.nextLine || f->activeDepth != -1 || f->endLine < 0) return false;
  s.functions.newest = f;
  f->endLine = -1;
  Variable* p = f->parameters;
  for (int32_t k = 0; p && k < f->parameterCount; ++k, p = p->next) p->value = 0.0;
  return true;
}

void defineFunction(CompileState& s) {
  const char* name = takeWord(s);
  FunctionTable& functions = s.functions;
  if (functions.newest && functions.newest->endLine == -1) {
    syntaxError(format("Impossible de créer la fonction %s à la ligne %d!\nLa fonction précédente n'est pas encore terminée",
                       scriptText(name).c_str(), s.nextLine));
  } else if (redefineInPlace(s, name)) {
    s.definingFunction = true;
    return;
  } else {
    functions.all = new ScriptFunction{strdup(name), 0, s.nextLine, -1, -1, -1, nullptr, nullptr, functions.all};
    functions.newest = functions.all;
    functions.byName.insert_or_assign(functions.all->name, functions.all);
  }
  ScriptFunction* newest = functions.newest;
  for (const char* w = takeWord(s); *w; w = takeWord(s)) {
    newest->parameters = new Variable{strdup(w), 0.0, newest->parameters, nullptr, -1};
    ++newest->parameterCount;
  }
  s.definingFunction = true;
}

void endDefinition(CompileState& s) {
  ScriptFunction* newest = s.functions.newest;
  if (newest && newest->endLine < 0)
    newest->endLine = s.nextLine;
  else
    syntaxError(format("Impossible de finir la fonction à la ligne %d!\nIl n'y a pas eu de début.", s.nextLine));
  s.definingFunction = false;
}

void callFunction(CompileState& s) {
  const char* name = takeWord(s);
  ScriptFunction* f = findFunction(s.functions, name);
  if (!f) {
    syntaxError(format("Impossible d'appeler la fonction '%s' à la ligne %d!\nFonction non repertoriée",
                       scriptText(name).c_str(), s.nextLine));
    return;
  }
  // One parameter list and one return line per definition: a function that
  // is running cannot be entered again.
  if (f->activeDepth != -1) {
    syntaxError(format("Impossible d'appeler la fonction '%s' à la ligne %d!\nLa fonction est déjà en cours d'exécution",
                       scriptText(name).c_str(), s.nextLine));
    return;
  }
  f->activeDepth = s.callDepth + 1;
  f->returnLine = s.nextLine;
  s.functions.running.push_back(f);
  ++s.callDepth;
  s.nextLine = f->bodyLine;
  f->savedVariables = s.variables.head;
  readArguments(s, f);
  linkParameters(s, f);
}

void returnFromCall(CompileState& s) {
  if (s.callDepth <= 0 || s.functions.running.empty()) return;
  ScriptFunction* f = s.functions.running.back();
  s.functions.running.pop_back();
  f->activeDepth = -1;
  s.nextLine = f->returnLine;
  --s.callDepth;
  unlinkParameters(s, f);
}

void unwindCalls(CompileState& s) {
  const int32_t line = s.nextLine;
  while (s.callDepth > 0 && !s.functions.running.empty()) returnFromCall(s);
  s.nextLine = line;
}

void freeFunctions(FunctionTable& functions) {
  for (ScriptFunction* f = functions.all; f;) {
    ScriptFunction* next = f->next;
    freeParameterChain(f->parameters);
    std::free(f->name);
    delete f;
    f = next;
  }
  functions = FunctionTable{};
}
