// libFuzzer target: the rewriter, fed in pieces, against the reference model.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "line_breaks.h"
#include "reference_model.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "rewriter and model differ: %s\n", what);
  std::abort();
}

}  // namespace

// The first three bytes choose the style, detection, a BOM to put in front
// and the piece sizes; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static const std::string kMarks[] = {"", std::string("\xff\xfe\0\0", 4), std::string("\0\0\xfe\xff", 4),
                                       "\xff\xfe", "\xfe\xff"};
  const int style = 1 + data[0] % 3;
  const bool detect = data[0] / 3 % 2 == 1;
  const std::string in = kMarks[data[0] / 6 % 5] + std::string(reinterpret_cast<const char*>(data) + 3, size - 3);
  // Alternating piece sizes; the first may be 0.
  const std::size_t sizes[] = {data[1] % 17u, 1 + data[2] % 200u};

  quenlo::LineBreakRewriter rewriter(style, detect);
  std::string out;
  for (std::size_t pos = 0, i = 0; pos < in.size() && !rewriter.binary(); ++i) {
    const std::size_t n = std::min(sizes[i % 2], in.size() - pos);
    // Exactly the room promised, so that AddressSanitizer sees any overrun.
    std::vector<char> piece(quenlo::LineBreakRewriter::MaxOutput(n));
    const std::size_t checked = out.size();
    // As the conversion does: skimmed while nothing changes.
    if (!rewriter.changed() && rewriter.Skim(in.data() + pos, n))
      out.append(in, pos, n);
    else
      out.append(piece.data(), rewriter.Rewrite(in.data() + pos, n, piece.data()));
    pos += n;
    if (!rewriter.changed())
      Check(out.size() <= in.size() && std::equal(out.begin() + checked, out.end(), in.begin() + checked),
            "unchanged output is not the input so far");
  }
  if (!rewriter.binary()) {
    std::vector<char> piece(quenlo::LineBreakRewriter::MaxOutput(0));
    out.append(piece.data(), rewriter.Finish(piece.data()));
  }

  bool binary = false;
  bool looks_utf16 = false;
  const std::string expected =
      detect ? ReferenceConvertDetect(in, style, &binary, &looks_utf16) : ReferenceConvert(in, style);
  Check(rewriter.binary() == binary, "binary()");
  Check(rewriter.looks_utf16() == looks_utf16, "looks_utf16()");
  if (!binary) {
    Check(out == expected, "output");
    Check(rewriter.changed() == (out != in), "changed()");
  }

  // The check of a later stretch, with a CR carried between the pieces:
  // "as it is" exactly when the model leaves the bytes alone. The "x"
  // keeps them from reading as a BOM.
  const std::string later = "x" + in.substr(kMarks[data[0] / 6 % 5].size());
  bool later_binary = false;
  const bool same = (detect ? ReferenceConvertDetect(later, style, &later_binary)
                            : ReferenceConvert(later, style)) == later && !later_binary;
  bool after_cr = false;
  bool skims = true;
  for (std::size_t pos = 0, i = 0; pos < later.size(); ++i) {
    const std::size_t n = std::min(sizes[i % 2], later.size() - pos);
    skims = rewriter.SkimsAhead(later.data() + pos, n, &after_cr) && skims;
    pos += n;
  }
  Check((skims && !after_cr) == same, "SkimsAhead()");
  return 0;
}
