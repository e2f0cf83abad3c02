// An independent model of the conversion, for comparison: one byte or code
// unit at a time with a lookahead and the position set back, the way the
// rule is stated, sharing no code with the engine.
#ifndef QUENLO_TESTS_REFERENCE_MODEL_H_
#define QUENLO_TESTS_REFERENCE_MODEL_H_

#include <cstdint>
#include <iterator>
#include <random>
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

// The code unit of `width` bytes at `at`, as a number.
inline std::uint32_t ReferenceUnit(const std::string& in, std::size_t at, std::size_t width,
                                   bool big_endian) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    unsigned char byte = static_cast<unsigned char>(in[at + (big_endian ? i : width - 1 - i)]);
    value = value << 8 | byte;
  }
  return value;
}

inline std::string ReferenceUnitBytes(std::uint32_t value, std::size_t width, bool big_endian) {
  std::string bytes(width, '\0');
  for (std::size_t i = 0; i < width; ++i)
    bytes[big_endian ? width - 1 - i : i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// The byte rule applied to code units; an incomplete last unit is copied.
inline std::string ReferenceConvertUnits(const std::string& in, int style, std::size_t width,
                                         bool big_endian) {
  std::string target = ReferenceUnitBytes(style == 3 ? 0x0A : 0x0D, width, big_endian);
  if (style != 2 && style != 3) target += ReferenceUnitBytes(0x0A, width, big_endian);
  std::string out;
  std::size_t pos = 0;
  while (pos + width <= in.size()) {
    std::uint32_t current = ReferenceUnit(in, pos, width, big_endian);
    pos += width;
    std::size_t after_current = pos;
    bool has_lookahead = pos + width <= in.size();
    std::uint32_t lookahead = has_lookahead ? ReferenceUnit(in, pos, width, big_endian) : 0;
    if (has_lookahead) pos += width;
    if (current == 0x0A) {
      out += target;
      pos = after_current;
    } else if (current == 0x0D && has_lookahead && lookahead == 0x0A) {
      out += target;
    } else if (current == 0x0D) {
      out += target;
      pos = after_current;
    } else {
      out += in.substr(after_current - width, width);
      pos = after_current;
    }
  }
  return out + in.substr(pos);
}

// The detecting conversion: a UTF-32 or UTF-16 byte order mark selects the
// code unit rule; any other file takes the byte rule and is binary when it
// holds a NUL byte.
inline std::string ReferenceConvertDetect(const std::string& in, int style, bool* binary) {
  *binary = false;
  auto starts = [&in](const char* mark, std::size_t size) { return in.compare(0, size, mark, size) == 0; };
  if (starts("\xff\xfe\0\0", 4)) return ReferenceConvertUnits(in, style, 4, false);
  if (starts("\0\0\xfe\xff", 4)) return ReferenceConvertUnits(in, style, 4, true);
  if (starts("\xff\xfe", 2)) return ReferenceConvertUnits(in, style, 2, false);
  if (starts("\xfe\xff", 2)) return ReferenceConvertUnits(in, style, 2, true);
  *binary = in.find('\0') != std::string::npos;
  return ReferenceConvert(in, style);
}

// A random UTF-16 or UTF-32 text behind its byte order mark: units with CR
// or LF bytes that are no breaks, surrogates, NUL units, a cut last unit.
inline std::string RandomUnitText(std::mt19937& random, std::size_t max_units) {
  static const std::uint32_t kUnits[] = {0x0D,   0x0A,   0x61,   0x0000, 0x0A4E,     0x300D,    0x0D0A,
                                         0xD80D, 0xDC0A, 0xFEFF, 0x000D000A, 0x0A0D0000, 0x0001000D};
  static const char* const kMarks[] = {"\xff\xfe\0\0", "\0\0\xfe\xff", "\xff\xfe", "\xfe\xff"};
  std::size_t kind = random() % 4;
  std::size_t width = kind < 2 ? 4 : 2;
  bool big_endian = kind % 2 == 1;
  std::string text(kMarks[kind], width);
  for (std::size_t count = random() % (max_units + 1); count > 0; --count)
    text += ReferenceUnitBytes(kUnits[random() % std::size(kUnits)], width, big_endian);
  for (std::size_t tail = random() % width; tail > 0; --tail) text += "\r\n\0\xff"[random() % 4];
  return text;
}

#endif  // QUENLO_TESTS_REFERENCE_MODEL_H_
