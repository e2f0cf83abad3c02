#include "line_breaks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reference_model.h"

namespace {

struct Rewritten {
  std::string out;
  bool binary = false;
  bool looks_utf16 = false;
};

// Feeds `in` in pieces of the given sizes (the last size repeats and is not
// 0), then finishes, checking changed() on the way.
Rewritten RewriteInPieces(const std::string& in, int style, bool detect,
                          const std::vector<std::size_t>& sizes) {
  quenlo::LineBreakRewriter rewriter(style, detect);
  Rewritten result;
  std::size_t pos = 0;
  for (std::size_t i = 0; pos < in.size() && !rewriter.binary(); ++i) {
    std::size_t size = std::min(sizes[std::min(i, sizes.size() - 1)], in.size() - pos);
    // Exactly the room promised, so that AddressSanitizer sees any overrun.
    std::vector<char> piece(quenlo::LineBreakRewriter::MaxOutput(size));
    // As the conversion does: skimmed while nothing changes.
    if (!rewriter.changed() && rewriter.Skim(in.data() + pos, size)) {
      result.out.append(in, pos, size);
    } else {
      result.out.append(piece.data(), rewriter.Rewrite(in.data() + pos, size, piece.data()));
    }
    pos += size;
    // An unchanged file is not rewritten: its output must be the input so far.
    if (!rewriter.changed()) {
      EXPECT_EQ(result.out, in.substr(0, result.out.size()));
    }
  }
  if (!rewriter.binary()) {
    std::vector<char> piece(quenlo::LineBreakRewriter::MaxOutput(0));
    result.out.append(piece.data(), rewriter.Finish(piece.data()));
  }
  result.binary = rewriter.binary();
  result.looks_utf16 = rewriter.looks_utf16();
  if (!result.binary) {
    EXPECT_EQ(rewriter.changed(), result.out != in);
  }
  return result;
}

std::string Rewrite(const std::string& in, int style, bool detect) {
  return RewriteInPieces(in, style, detect, {in.size() + 1}).out;
}

// "FF FE 0A 4E" as bytes.
std::string Hex(const std::string& text) {
  std::istringstream in(text);
  std::string bytes;
  for (unsigned value; in >> std::hex >> value;) bytes += static_cast<char>(value);
  return bytes;
}

// The rewriter, whole and byte by byte, and the model that the random tests
// rely on agree with one expected result.
void CheckRow(const std::string& in, bool detect, int style, const std::string& expected) {
  SCOPED_TRACE(testing::Message() << "style " << style << (detect ? " detect" : " bytes"));
  EXPECT_EQ(Rewrite(in, style, detect), expected);
  Rewritten pieces = RewriteInPieces(in, style, detect, {1});
  EXPECT_FALSE(pieces.binary);
  EXPECT_EQ(pieces.out, expected);
  bool binary = false;
  EXPECT_EQ(detect ? ReferenceConvertDetect(in, style, &binary) : ReferenceConvert(in, style), expected);
  EXPECT_FALSE(binary);
}

struct ByteCase {
  const char* name;
  std::string in;
  std::string crlf, cr, lf;  // expected per style 1, 2, 3
};

const ByteCase kByteCases[] = {
    {"empty", "", "", "", ""},
    {"no breaks", "abc\x01\xff", "abc\x01\xff", "abc\x01\xff", "abc\x01\xff"},
    // Control bytes that text uses: BEL, BS, TAB, VT, FF, SO, SI, SUB, ESC.
    {"text control bytes", "\a\b\t\v\f\x0e\x0f\x1a\x1b\n", "\a\b\t\v\f\x0e\x0f\x1a\x1b\r\n",
     "\a\b\t\v\f\x0e\x0f\x1a\x1b\r", "\a\b\t\v\f\x0e\x0f\x1a\x1b\n"},
    {"not quite a PDF", "%PDF\n%PDF-", "%PDF\r\n%PDF-", "%PDF\r%PDF-", "%PDF\n%PDF-"},
    {"CR LF", "a\r\nb", "a\r\nb", "a\rb", "a\nb"},
    {"lone LF", "a\nb", "a\r\nb", "a\rb", "a\nb"},
    {"lone CR", "a\rb", "a\r\nb", "a\rb", "a\nb"},
    {"CR CR", "a\r\rb", "a\r\n\r\nb", "a\r\rb", "a\n\nb"},
    {"CR CR LF", "\r\r\n", "\r\n\r\n", "\r\r", "\n\n"},
    {"LF CR", "\n\r", "\r\n\r\n", "\r\r", "\n\n"},
    {"LF LF", "\n\n", "\r\n\r\n", "\r\r", "\n\n"},
    {"trailing CR", "a\r", "a\r\n", "a\r", "a\n"},
    {"trailing LF", "a\n", "a\r\n", "a\r", "a\n"},
    {"only CR", "\r", "\r\n", "\r", "\n"},
    {"CR LF LF", "\r\n\n", "\r\n\r\n", "\r\r", "\n\n"},
    // Without detection; with it, these make the file binary.
    {"NUL bytes kept", std::string("a\0\r\n\0", 5), std::string("a\0\r\n\0", 5),
     std::string("a\0\r\0", 4), std::string("a\0\n\0", 4)},
    // Shift_JIS double-byte characters: no trail byte is CR or LF.
    {"Shift_JIS", "\x89\xfc\x8d\x73\r\n\x83\x74", "\x89\xfc\x8d\x73\r\n\x83\x74",
     "\x89\xfc\x8d\x73\r\x83\x74", "\x89\xfc\x8d\x73\n\x83\x74"},
};

TEST(LineBreakRewriter, ByteTable) {
  for (const ByteCase& c : kByteCases) {
    SCOPED_TRACE(c.name);
    for (bool detect : {false, true}) {
      if (detect && ReferenceIsBinary(c.in)) continue;
      CheckRow(c.in, detect, kStyleCrLf, c.crlf);
      CheckRow(c.in, detect, kStyleCr, c.cr);
      CheckRow(c.in, detect, kStyleLf, c.lf);
    }
  }
}

// Detection, in hex: 上 is U+4E0A and 」 U+300D, whose bytes hold LF and CR.
const ByteCase kUnitCases[] = {
    {"UTF-16LE: 上 and 」 are no breaks", Hex("FF FE 0A 4E 0D 00 0A 00 0D 30"), Hex("FF FE 0A 4E 0D 00 0A 00 0D 30"),
     Hex("FF FE 0A 4E 0D 00 0D 30"), Hex("FF FE 0A 4E 0A 00 0D 30")},
    {"UTF-16LE lone LF, CR CR LF", Hex("FF FE 0A 00 61 00 0D 00 0D 00 0A 00"),
     Hex("FF FE 0D 00 0A 00 61 00 0D 00 0A 00 0D 00 0A 00"), Hex("FF FE 0D 00 61 00 0D 00 0D 00"),
     Hex("FF FE 0A 00 61 00 0A 00 0A 00")},
    {"UTF-16BE", Hex("FE FF 4E 0A 00 0D 00 0A 30 0D 00 0A"),
     Hex("FE FF 4E 0A 00 0D 00 0A 30 0D 00 0D 00 0A"), Hex("FE FF 4E 0A 00 0D 30 0D 00 0D"),
     Hex("FE FF 4E 0A 00 0A 30 0D 00 0A")},
    {"UTF-16LE surrogate pair", Hex("FF FE 0D D8 0A DC 0D 00"), Hex("FF FE 0D D8 0A DC 0D 00 0A 00"),
     Hex("FF FE 0D D8 0A DC 0D 00"), Hex("FF FE 0D D8 0A DC 0A 00")},
    {"UTF-32LE", Hex("FF FE 00 00 0D 00 00 00 0A 00 00 00 0A 4E 00 00 0D 00 01 00"),
     Hex("FF FE 00 00 0D 00 00 00 0A 00 00 00 0A 4E 00 00 0D 00 01 00"),
     Hex("FF FE 00 00 0D 00 00 00 0A 4E 00 00 0D 00 01 00"),
     Hex("FF FE 00 00 0A 00 00 00 0A 4E 00 00 0D 00 01 00")},
    {"UTF-32BE", Hex("00 00 FE FF 00 00 00 0A 00 01 00 0A 00 00 00 0D"),
     Hex("00 00 FE FF 00 00 00 0D 00 00 00 0A 00 01 00 0A 00 00 00 0D 00 00 00 0A"),
     Hex("00 00 FE FF 00 00 00 0D 00 01 00 0A 00 00 00 0D"),
     Hex("00 00 FE FF 00 00 00 0A 00 01 00 0A 00 00 00 0A")},
    {"UTF-16LE cut last unit", Hex("FF FE 0D 00 0A"), Hex("FF FE 0D 00 0A 00 0A"), Hex("FF FE 0D 00 0A"),
     Hex("FF FE 0A 00 0A")},
    {"UTF-32BE cut last unit of 1 byte", Hex("00 00 FE FF 00 00 00 0D 0A"),
     Hex("00 00 FE FF 00 00 00 0D 00 00 00 0A 0A"), Hex("00 00 FE FF 00 00 00 0D 0A"),
     Hex("00 00 FE FF 00 00 00 0A 0A")},
    {"UTF-32LE cut last unit of 3 bytes", Hex("FF FE 00 00 0A 00 00 00 0D 00 00"),
     Hex("FF FE 00 00 0D 00 00 00 0A 00 00 00 0D 00 00"), Hex("FF FE 00 00 0D 00 00 00 0D 00 00"),
     Hex("FF FE 00 00 0A 00 00 00 0D 00 00")},
    {"UTF-8 BOM: bytes", Hex("EF BB BF 61 0D 0A 62 0A"), Hex("EF BB BF 61 0D 0A 62 0D 0A"),
     Hex("EF BB BF 61 0D 62 0D"), Hex("EF BB BF 61 0A 62 0A")},
    {"BOM not at the start: bytes", Hex("0A FF FE"), Hex("0D 0A FF FE"), Hex("0D FF FE"), Hex("0A FF FE")},
};

// Detection leaves these as they are in every style.
const char* const kUnchanged[] = {
    "FF FE", "FE FF", "FF FE 00 00", "00 00 FE FF", "FE FF 00 00", "FF FE 00", "FF FE 0A",
    "FF FE 00 00 0D", "FF FE 0D 0A", "FE FF 0A 0D 0D 0A", "FF", "FE", "EF BB BF",
};

// Binary: a NUL or control byte without a UTF-16 or UTF-32 BOM, a PDF, or
// a UTF-32 BOM before a unit that is no character. Some look like UTF-16
// without a BOM.
const struct {
  const char* hex;
  bool looks_utf16;
} kBinary[] = {
    {"00", false}, {"61 0D 0A 00", false}, {"00 00 FE", false}, {"00 00 FF FE", false},
    {"FE 00", true}, {"EF BB BF 00", false}, {"00 FF FE", true},
    {"25 50 44 46 2D", false}, {"25 50 44 46 2D 31 0D 0A", false},
    {"01", false}, {"61 0A 06", false}, {"10", false}, {"19", false}, {"1C", false}, {"1F", false},
    // In a file already in every style, found by Skim.
    {"61 0A 62 0A 63 0A 64 0A 1E 0A", false},
    {"61 0D 0A 62 0D 0A 63 0D 0A 1D", false},
    // UTF-16LE starting with U+0000, read as UTF-32; beyond 10FFFF; a surrogate.
    {"FF FE 00 00 0D 00 0A 00", false}, {"00 00 FE FF 00 11 00 00", false},
    {"FF FE 00 00 0D 00 00 00 00 D8 00 00", false},
    // UTF-16 without a BOM: NUL in every other byte, or its CR LF.
    {"61 00 0D 00 0A 00", true}, {"00 61 00 0A", true}, {"0D 00", true},
    {"01 30 0D 00 0A 00", true}, {"30 01 00 0D 00 0A", true}, {"61 0D 00 0A 00", false},
};

TEST(LineBreakRewriter, UnitTable) {
  for (const ByteCase& c : kUnitCases) {
    SCOPED_TRACE(c.name);
    CheckRow(c.in, true, kStyleCrLf, c.crlf);
    CheckRow(c.in, true, kStyleCr, c.cr);
    CheckRow(c.in, true, kStyleLf, c.lf);
  }
  for (const char* hex : kUnchanged) {
    SCOPED_TRACE(hex);
    for (int style : {kStyleCrLf, kStyleCr, kStyleLf}) CheckRow(Hex(hex), true, style, Hex(hex));
  }
  for (const auto& c : kBinary) {
    SCOPED_TRACE(c.hex);
    const std::string in = Hex(c.hex);
    for (int style : {kStyleCrLf, kStyleCr, kStyleLf}) {
      for (std::size_t piece : {in.size(), std::size_t{1}, std::size_t{3}}) {
        const Rewritten got = RewriteInPieces(in, style, true, {piece});
        EXPECT_TRUE(got.binary);
        EXPECT_EQ(got.looks_utf16, c.looks_utf16);
      }
    }
    bool binary = false;
    bool looks_utf16 = false;
    EXPECT_EQ(ReferenceConvertDetect(in, kStyleLf, &binary, &looks_utf16), in);
    EXPECT_TRUE(binary);
    EXPECT_EQ(looks_utf16, c.looks_utf16);
  }
}

// A file already right goes through Skim's wide rounds after its first
// bytes: a binary byte anywhere in them is found, a text byte is not.
TEST(LineBreakRewriter, SkimFindsBinaryBytes) {
  for (int style : {kStyleCrLf, kStyleCr, kStyleLf}) {
    const std::string line = style == kStyleCrLf ? "a line\r\n" : style == kStyleCr ? "a line\r" : "a line\n";
    std::string right;
    while (right.size() < 1100) right += line;
    for (std::size_t at : {std::size_t{40}, std::size_t{516}, right.size() - 4}) {
      for (char byte : {'\0', '\x06', '\x10', '\x19', '\x1c', '\x1f', '\x1b', '\t'}) {
        SCOPED_TRACE(testing::Message() << "style " << style << " at " << at << " byte " << int{byte});
        std::string in = right;
        in[at] = byte;
        const Rewritten got = RewriteInPieces(in, style, true, {8, in.size()});
        EXPECT_EQ(got.binary, ReferenceIsBinary(in));
        if (!got.binary) {
          EXPECT_EQ(got.out, in);
        }
      }
    }
  }
}

TEST(LineBreakRewriter, EverySplitPointGivesTheSameBytes) {
  const std::string bytes = "x\r\ny\r\r\nz\n\r\rw\r";
  // UTF-16LE with 上 and 」 among the breaks and a cut last unit.
  const std::string utf16 = Hex("FF FE 78 00 0D 00 0A 00 0A 4E 0D 00 0D 00 0A 00 0D 30 0A 00 0D 00 0D");
  for (const auto& [in, detect] : {std::pair(bytes, false), std::pair(bytes, true), std::pair(utf16, true)}) {
    for (int style : {kStyleCrLf, kStyleCr, kStyleLf}) {
      bool binary = false;
      const std::string expected = ReferenceConvertDetect(in, style, &binary);
      for (std::size_t split = 0; split <= in.size(); ++split) {
        SCOPED_TRACE(testing::Message() << "detect " << detect << " style " << style << " split " << split);
        EXPECT_EQ(RewriteInPieces(in, style, detect, {split, in.size()}).out, expected);
      }
      SCOPED_TRACE("one byte at a time");
      EXPECT_EQ(RewriteInPieces(in, style, detect, {1}).out, expected);
    }
  }
}

TEST(LineBreakRewriter, EmptyPieceKeepsPendingCr) {
  for (bool detect : {false, true}) EXPECT_EQ(RewriteInPieces("a\r\nb", kStyleLf, detect, {2, 0, 2}).out, "a\nb");
  // In UTF-16LE, with the LF unit cut in two around an empty piece too.
  EXPECT_EQ(RewriteInPieces(Hex("FF FE 61 00 0D 00 0A 00"), kStyleLf, true, {4, 2, 0, 1, 0, 1}).out,
            Hex("FF FE 61 00 0A 00"));
}

TEST(LineBreakRewriter, RandomInputsMatchTheModel) {
  std::mt19937 random(20261207);
  // Break-heavy alphabets find pairing faults; the full byte range finds
  // bytes that are wrongly treated as breaks.
  const std::string alphabets[] = {"\r\n", "\r\na\x1a\x1b", std::string("\r\nab\0\xff", 6)};
  for (int round = 0; round < 6000; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    // Odd rounds: UTF-16 and UTF-32 texts.
    bool units = round % 2 == 1;
    int style = 1 + round % 3;
    std::string in;
    if (units) {
      in = RandomUnitText(random, 100);
    } else if (round % 8 == 4) {
      // Mostly in the style already, so that whole pieces are skimmed.
      const std::string target = style == kStyleCr ? "\r" : style == kStyleLf ? "\n" : "\r\n";
      while (in.size() < 300) in += std::string(random() % 30, 'a') + (random() % 50 ? target : "\n\r");
    } else {
      const std::string& alphabet = alphabets[round / 2 % 3];
      in.assign(random() % 200, '\0');
      for (char& c : in)
        c = round / 2 % 4 == 3 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    }
    bool detect = units || random() % 2 == 0;
    // Empty pieces too, but not as the last size, which repeats.
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 8; ++i) sizes.push_back(random() % 40);
    sizes.back() = 1 + random() % 39;
    bool binary = false;
    bool looks_utf16 = false;
    const std::string expected =
        detect ? ReferenceConvertDetect(in, style, &binary, &looks_utf16) : ReferenceConvert(in, style);
    Rewritten got = RewriteInPieces(in, style, detect, sizes);
    if (!units) {
      // The check of a later stretch of the file, over the same pieces with
      // a CR carried between them, says "as it is" exactly when the model
      // leaves the bytes alone. The "x" keeps them from reading as a BOM.
      const std::string later = "x" + in;
      bool later_binary = false;
      const bool same = (detect ? ReferenceConvertDetect(later, style, &later_binary)
                                : ReferenceConvert(later, style)) == later && !later_binary;
      quenlo::LineBreakRewriter rewriter(style, detect);
      bool after_cr = false;
      bool skims = true;
      for (std::size_t pos = 0, i = 0; pos < later.size(); ++i) {
        const std::size_t size = std::min(sizes[std::min<std::size_t>(i, 7)], later.size() - pos);
        skims = rewriter.SkimsAhead(later.data() + pos, size, &after_cr) && skims;
        pos += size;
      }
      ASSERT_EQ(skims && !after_cr, same);
    }
    ASSERT_EQ(got.binary, binary);
    ASSERT_EQ(got.looks_utf16, looks_utf16);
    if (!binary) {
      ASSERT_EQ(got.out, expected);
    }
  }
}

}  // namespace
