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

// Not text by the byte rule: a file that starts with "%PDF-", or holds a
// NUL or a C0 control byte other than BEL, BS, TAB, LF, VT, FF, CR, SO, SI,
// SUB and ESC.
inline bool ReferenceIsBinary(const std::string& in) {
  if (in.compare(0, 5, "%PDF-") == 0) return true;
  for (char c : in) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && !(byte >= 0x07 && byte <= 0x0F) && byte != 0x1A && byte != 0x1B) return true;
  }
  return false;
}

// A UTF-32 unit that may be a character: at most 10FFFF, no surrogate, not
// in the planes 4 to 13 that hold none.
inline bool ReferenceIsCharacter(std::uint32_t unit) {
  return unit <= 0x10FFFF && !(unit >= 0xD800 && unit <= 0xDFFF) && !(unit >= 0x40000 && unit <= 0xDFFFF);
}

// Every whole unit of UTF-32 text after its byte order mark may be a character.
inline bool ReferenceIsUtf32(const std::string& in, bool big_endian) {
  for (std::size_t at = 4; at + 4 <= in.size(); at += 4) {
    if (!ReferenceIsCharacter(ReferenceUnit(in, at, 4, big_endian))) return false;
  }
  return true;
}

// UTF-16 without a byte order mark, by the first 4096 bytes: NUL in every
// byte at one parity and not in every byte at the other, or a CR LF in
// either byte order at an even offset.
inline bool ReferenceLooksUtf16(const std::string& in) {
  const std::string head = in.substr(0, 4096);
  std::size_t nul[2] = {0, 0};
  const std::size_t units = head.size() / 2;
  for (std::size_t i = 0; i < 2 * units; ++i) nul[i % 2] += head[i] == '\0';
  if (units > 0 && (nul[0] == units) != (nul[1] == units)) return true;
  for (std::size_t i = 0; i + 4 <= head.size(); i += 2) {
    const std::string unit_pair = head.substr(i, 4);
    if (unit_pair == std::string("\r\0\n\0", 4) || unit_pair == std::string("\0\r\0\n", 4)) return true;
  }
  return false;
}

// The detecting conversion: a UTF-32 or UTF-16 byte order mark selects the
// code unit rule; any other file takes the byte rule. Binary, and left as
// it is: UTF-32 that is not all valid, and ReferenceIsBinary by the byte
// rule, which may look like UTF-16 without its mark.
inline std::string ReferenceConvertDetect(const std::string& in, int style, bool* binary,
                                          bool* looks_utf16 = nullptr) {
  *binary = false;
  if (looks_utf16) *looks_utf16 = false;
  auto starts = [&in](const char* mark, std::size_t size) { return in.compare(0, size, mark, size) == 0; };
  for (bool big_endian : {false, true}) {
    if (!starts(big_endian ? "\0\0\xfe\xff" : "\xff\xfe\0\0", 4)) continue;
    *binary = !ReferenceIsUtf32(in, big_endian);
    return *binary ? in : ReferenceConvertUnits(in, style, 4, big_endian);
  }
  if (starts("\xff\xfe", 2)) return ReferenceConvertUnits(in, style, 2, false);
  if (starts("\xfe\xff", 2)) return ReferenceConvertUnits(in, style, 2, true);
  *binary = ReferenceIsBinary(in);
  if (*binary && looks_utf16) *looks_utf16 = ReferenceLooksUtf16(in);
  return *binary ? in : ReferenceConvert(in, style);
}

// A random UTF-16 or UTF-32 text behind its byte order mark: units with CR
// or LF bytes that are no breaks, surrogates, NUL units, a cut last unit.
// Three UTF-32 texts in four hold no unit that makes them binary.
inline std::string RandomUnitText(std::mt19937& random, std::size_t max_units) {
  static const std::uint32_t kUnits[] = {0x0D,   0x0A,   0x61,   0x0000, 0x0A4E,     0x300D,    0x0D0A,
                                         0xD80D, 0xDC0A, 0xFEFF, 0x000D000A, 0x0A0D0000, 0x0001000D};
  static const char* const kMarks[] = {"\xff\xfe\0\0", "\0\0\xfe\xff", "\xff\xfe", "\xfe\xff"};
  std::size_t kind = random() % 4;
  std::size_t width = kind < 2 ? 4 : 2;
  bool big_endian = kind % 2 == 1;
  std::string text(kMarks[kind], width);
  const bool valid = width == 4 && random() % 4 != 0;
  for (std::size_t count = random() % (max_units + 1); count > 0; --count) {
    std::uint32_t unit = kUnits[random() % std::size(kUnits)];
    while (valid && !ReferenceIsCharacter(unit))
      unit = kUnits[random() % std::size(kUnits)];
    text += ReferenceUnitBytes(unit, width, big_endian);
  }
  for (std::size_t tail = random() % width; tail > 0; --tail) text += "\r\n\0\xff"[random() % 4];
  return text;
}

#endif  // QUENLO_TESTS_REFERENCE_MODEL_H_
