// Statements that declare variables and change their values.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "script/compile_state.h"

namespace {
const char* const missingVariable = "Ligne %d, la variable n'existe pas!\n";

Variable* existingVariable(CompileState& s, const char* name) {
  Variable* v = findVariable(s.variables, name);
  if (!v) syntaxError(format(missingVariable, s.nextLine));
  return v;
}

// Brings x into [0, v) as repeated subtraction and addition of v would, also
// when that would take too many steps.
double reduceModulo(double x, double v) {
  const double quotient = std::fabs(x / v);
  if (!(quotient < 1e6)) x = std::fmod(x, v);
  while (x >= v) x -= v;
  while (x < 0) x += v;
  return x;
}

bool applyOperator(char op, double& x, double v) {
  switch (op) {
    case '+': x += v; return true;
    case '-': x -= v; return true;
    case '*':
    case 'x': x *= v; return true;
    case '/':
    case ':':
      if (v != 0) x /= v;
      return true;
    case '=': x = v; return true;
    case '%':
      if (v > 0) x = reduceModulo(x, v);
      return true;
    default: return false;
  }
}
}  // namespace

const char* declareVariables(CompileState& s, bool isFloat) {
  const char* w = takeWord(s);
  while (w[0] == '$' && s.wordIndex < WORDS_PER_LINE) {
    char name[WORD_CAPACITY];
    std::snprintf(name, sizeof name, "%s", w);
    double value = 0.0;
    if (char* equals = std::strchr(name, '=')) {
      *equals = '\0';
      const char* valueText = equals + 1;
      if (isFloat) {
        float f = 0.0f;
        if (std::sscanf(valueText, "%f", &f) != 1) f = 0.0f;
        value = f;
      } else {
        value = readInt(valueText, s.variables);
      }
    }
    declareVariable(s, name, value);
    w = takeWord(s);
  }
  return s.wordIndex >= WORDS_PER_LINE ? nullptr : w;
}

void addStatement(CompileState& s) {
  const float value = readFloat(takeWord(s), s.variables);
  if (Variable* v = existingVariable(s, takeWord(s))) v->value += value;
}

void operationStatement(CompileState& s, const char* word) {
  const char op = word[2] ? word[2] : takeWord(s)[0];
  const double value = readFloat(takeWord(s), s.variables);
  Variable* v = existingVariable(s, takeWord(s));
  if (!v) return;
  if (!applyOperator(op, v->value, value)) {
    const char text[2] = {op, '\0'};
    syntaxError(format("Ligne %d, operation %s non reconnue!\n", s.nextLine, scriptText(text).c_str()));
  }
}

void setStatement(CompileState& s) {
  const char* name = takeWord(s);
  if (std::strcmp(name, "&") == 0) {
    readInt(takeWord(s), s.variables);
    return;
  }
  const float value = readFloat(takeWord(s), s.variables);
  if (Variable* v = existingVariable(s, name)) v->value = value;
}
