#include "line_breaks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference_model.h"

namespace {

// Feeds `in` in pieces of the given sizes (the last size repeats).
std::string RewriteInPieces(const std::string& in, int style, const std::vector<std::size_t>& sizes) {
  quenlo::LineBreakRewriter rewriter(style, false);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t i = 0; pos < in.size(); ++i) {
    std::size_t size = std::min(sizes[std::min(i, sizes.size() - 1)], in.size() - pos);
    std::vector<char> piece(quenlo::LineBreakRewriter::MaxOutput(size) + 1);
    std::size_t put = rewriter.Rewrite(in.data() + pos, size, piece.data());
    EXPECT_LE(put, quenlo::LineBreakRewriter::MaxOutput(size));
    out.append(piece.data(), put);
    pos += size;
  }
  char tail[quenlo::LineBreakRewriter::MaxOutput(0)];
  out.append(tail, rewriter.Finish(tail));
  return out;
}

std::string Rewrite(const std::string& in, int style) {
  return RewriteInPieces(in, style, {in.size() + 1});
}

struct ByteCase {
  const char* name;
  std::string in;
  std::string crlf, cr, lf;  // expected per style 1, 2, 3
};

const ByteCase kByteCases[] = {
    {"empty", "", "", "", ""},
    {"no breaks", "abc\x01\xff", "abc\x01\xff", "abc\x01\xff", "abc\x01\xff"},
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
    {"NUL bytes kept", std::string("a\0\r\n\0", 5), std::string("a\0\r\n\0", 5),
     std::string("a\0\r\0", 4), std::string("a\0\n\0", 4)},
    // Shift_JIS double-byte characters: no trail byte is CR or LF.
    {"Shift_JIS", "\x89\xfc\x8d\x73\r\n\x83\x74", "\x89\xfc\x8d\x73\r\n\x83\x74",
     "\x89\xfc\x8d\x73\r\x83\x74", "\x89\xfc\x8d\x73\n\x83\x74"},
};

TEST(LineBreakRewriter, ByteTable) {
  for (const ByteCase& c : kByteCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Rewrite(c.in, kStyleCrLf), c.crlf);
    EXPECT_EQ(Rewrite(c.in, kStyleCr), c.cr);
    EXPECT_EQ(Rewrite(c.in, kStyleLf), c.lf);
    // The model the random tests rely on agrees with the table too.
    EXPECT_EQ(ReferenceConvert(c.in, kStyleCrLf), c.crlf);
    EXPECT_EQ(ReferenceConvert(c.in, kStyleCr), c.cr);
    EXPECT_EQ(ReferenceConvert(c.in, kStyleLf), c.lf);
  }
}

TEST(LineBreakRewriter, EverySplitPointGivesTheSameBytes) {
  const std::string in = "x\r\ny\r\r\nz\n\r\rw\r";
  for (int style : {kStyleCrLf, kStyleCr, kStyleLf}) {
    const std::string expected = ReferenceConvert(in, style);
    for (std::size_t split = 0; split <= in.size(); ++split) {
      SCOPED_TRACE(testing::Message() << "style " << style << " split " << split);
      EXPECT_EQ(RewriteInPieces(in, style, {split, in.size()}), expected);
    }
    SCOPED_TRACE("one byte at a time");
    EXPECT_EQ(RewriteInPieces(in, style, {1}), expected);
  }
}

TEST(LineBreakRewriter, EmptyPieceKeepsPendingCr) {
  quenlo::LineBreakRewriter rewriter(kStyleLf, false);
  char out[8];
  EXPECT_EQ(rewriter.Rewrite("a\r", 2, out), 1u);
  EXPECT_EQ(rewriter.Rewrite("", 0, out), 0u);
  ASSERT_EQ(rewriter.Rewrite("\nb", 2, out), 2u);
  EXPECT_EQ(std::string(out, 2), "\nb");
}

TEST(LineBreakRewriter, RandomInputsMatchTheModel) {
  std::mt19937 random(20261207);
  // Break-heavy alphabets find pairing faults; the full byte range finds
  // bytes that are wrongly treated as breaks.
  const std::string alphabets[] = {"\r\n", "\r\na", std::string("\r\nab\0\xff", 6)};
  for (int round = 0; round < 3000; ++round) {
    const std::string& alphabet = alphabets[round % 3];
    std::string in(random() % 200, '\0');
    for (char& c : in)
      c = round % 4 == 3 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 8; ++i) sizes.push_back(1 + random() % 17);
    int style = 1 + round % 3;
    ASSERT_EQ(RewriteInPieces(in, style, sizes), ReferenceConvert(in, style))
        << "round " << round;
  }
}

}  // namespace
