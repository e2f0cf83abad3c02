// An independent model of the conversion, for comparison: one byte at a
// time with a lookahead byte and the position set back, the way the rule is
// stated, sharing no code with the engine.
#ifndef QUENLO_TESTS_REFERENCE_MODEL_H_
#define QUENLO_TESTS_REFERENCE_MODEL_H_

#include <string>

inline std::string ReferenceConvert(const std::string& in, int style) {
  const std::string target = style == 2 ? "\r" : style == 3 ? "\n" : "\r\n";
  std::string out;
  std::size_t pos = 0;
  while (pos < in.size()) {
    char current = in[pos++];
    std::size_t after_current = pos;
    bool has_lookahead = pos < in.size();
    char lookahead = has_lookahead ? in[pos++] : '\0';
    if (current == '\n') {
      out += target;
      pos = after_current;
    } else if (current == '\r' && has_lookahead && lookahead == '\n') {
      out += target;
    } else if (current == '\r') {
      out += target;
      pos = after_current;
    } else {
      out += current;
      pos = after_current;
    }
  }
  return out;
}

#endif  // QUENLO_TESTS_REFERENCE_MODEL_H_
