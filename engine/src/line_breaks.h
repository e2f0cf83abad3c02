// Streaming rewrite of line breaks, one buffer at a time.
#ifndef QUENLO_LINE_BREAKS_H_
#define QUENLO_LINE_BREAKS_H_

#include <cstddef>

#include "quenlo/engine.h"

namespace quenlo {

// Every CR LF, lone CR and lone LF becomes the target sequence; every other
// byte is copied. A CR that ends one buffer is paired with an LF that starts
// the next, so the result does not depend on how the input is split.
class LineBreakRewriter {
 public:
  explicit LineBreakRewriter(LineBreakStyle style);

  // Room that Rewrite may need in `out` for `size` input bytes.
  static constexpr std::size_t MaxOutput(std::size_t size) { return 2 * size; }

  // Rewrites `size` bytes of `in` into `out`; returns the bytes written.
  std::size_t Rewrite(const char* in, std::size_t size, char* out);

 private:
  char target_[2];
  std::size_t target_size_;
  // The previous buffer ended in CR, so a leading LF belongs to it.
  bool skip_lf_ = false;
};

}  // namespace quenlo

#endif  // QUENLO_LINE_BREAKS_H_
