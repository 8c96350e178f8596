// Variables and the readers of value words: a word is first looked up as a
// variable's name, then read as a number the way the C library's scanf reads
// it, else it gives -1.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

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

Variable* findVariable(Variable* list, const char* name) {
  for (Variable* v = list; v; v = v->next)
    if (std::strcmp(v->name, name) == 0) return v;
  return nullptr;
}

void pushVariable(Variable*& list, const char* name, double value) {
  list = new Variable{strdup(name), value, list};
}

void freeVariables(Variable* list) { freeVariablesUntil(list, nullptr); }

Variable* freeVariablesUntil(Variable* head, const Variable* stop) {
  while (head && head != stop) {
    Variable* next = head->next;
    std::free(head->name);
    delete head;
    head = next;
  }
  return head;
}

int32_t readInt(const char* word, Variable* variables) {
  if (Variable* v = findVariable(variables, word)) return truncateToInt(v->value);
  int value;
  return std::sscanf(word, "%d", &value) == 1 ? value : -1;
}

float readFloat(const char* word, Variable* variables) {
  if (Variable* v = findVariable(variables, word)) return float(v->value);
  float value;
  return std::sscanf(word, "%f", &value) == 1 ? value : -1.0f;
}

int32_t readHex(const char* word, Variable* variables) {
  if (Variable* v = findVariable(variables, word)) return truncateToInt(v->value);
  unsigned value;
  return std::sscanf(word, "%x", &value) == 1 ? int32_t(value) : -1;
}
