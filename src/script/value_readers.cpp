// Variables and the readers of value words: a word is first looked up as a
// variable's name, then read as a number the way the C library's scanf reads
// it, else it gives -1.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "script/compile_state.h"

namespace {
// Truncation toward zero that stays defined for any double.
int32_t truncateToInt(double v) {
  if (std::isnan(v)) return std::numeric_limits<int32_t>::min();
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}
}  // namespace

Variable* findVariable(const VariableList& list, const char* name) {
  if (list.newest.empty()) return nullptr;  // most scripts: no hashing of every number word
  const auto found = list.newest.find(std::string_view(name));
  return found == list.newest.end() ? nullptr : found->second;
}

namespace {
// The entry becomes the newest of its name; the one it hides comes back
// when it is taken off.
void indexEntry(VariableList& list, Variable* v) {
  auto [slot, inserted] = list.newest.try_emplace(v->name, v);
  v->hidden = inserted ? nullptr : slot->second;
  slot->second = v;
}

void unindexEntry(VariableList& list, Variable* v) {
  const auto slot = list.newest.find(std::string_view(v->name));
  if (slot == list.newest.end() || slot->second != v) return;
  if (v->hidden)
    slot->second = v->hidden;
  else
    list.newest.erase(slot);
  v->hidden = nullptr;
}
}  // namespace

void declareVariable(CompileState& s, const char* name, double value) {
  Variable* v = findVariable(s.variables, name);
  if (v && v->scope == s.callDepth)
    v->value = value;
  else
    pushVariable(s.variables, name, value, s.callDepth);
}

void pushVariable(VariableList& list, const char* name, double value, int32_t scope) {
  list.head = new Variable{strdup(name), value, list.head, nullptr, scope};
  indexEntry(list, list.head);
  ++list.count;
}

// Indexed from the far end, so that of two entries of one name in the chain
// the nearer one is found, as a walk of the list would find it.
void indexChain(VariableList& list, Variable* first, const Variable* end) {
  std::vector<Variable*> chain;
  for (Variable* v = first; v != end; v = v->next) chain.push_back(v);
  for (auto v = chain.rbegin(); v != chain.rend(); ++v) indexEntry(list, *v);
  list.count += int32_t(chain.size());
}

void unindexChain(VariableList& list, Variable* first, const Variable* end) {
  for (Variable* v = first; v != end; v = v->next) {
    unindexEntry(list, v);
    --list.count;
  }
}

void freeVariablesUntil(VariableList& list, const Variable* stop) {
  while (list.head && list.head != stop) {
    Variable* v = list.head;
    list.head = v->next;
    unindexEntry(list, v);
    --list.count;
    std::free(v->name);
    delete v;
  }
}

void freeVariables(VariableList& list) {
  freeVariablesUntil(list, nullptr);
  list.newest.clear();
  list.count = 0;
}

void freeParameterChain(Variable* chain) {
  while (chain) {
    Variable* next = chain->next;
    std::free(chain->name);
    delete chain;
    chain = next;
  }
}

int32_t readInt(const char* word, const VariableList& variables) {
  if (Variable* v = findVariable(variables, word)) return truncateToInt(v->value);
  int value;
  return std::sscanf(word, "%d", &value) == 1 ? value : -1;
}

float readFloat(const char* word, const VariableList& variables) {
  if (Variable* v = findVariable(variables, word)) return float(v->value);
  float value;
  return std::sscanf(word, "%f", &value) == 1 ? value : -1.0f;
}

int32_t readHex(const char* word, const VariableList& variables) {
  if (Variable* v = findVariable(variables, word)) return truncateToInt(v->value);
  unsigned value;
  return std::sscanf(word, "%x", &value) == 1 ? int32_t(value) : -1;
}
