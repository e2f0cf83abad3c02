#include "line_breaks.h"

#include <cstring>

namespace quenlo {

namespace {

const char* Find(const char* from, const char* end, char byte) {
  const void* hit = std::memchr(from, byte, static_cast<std::size_t>(end - from));
  return hit ? static_cast<const char*>(hit) : end;
}

}  // namespace

LineBreakRewriter::LineBreakRewriter(LineBreakStyle style) {
  switch (style) {
    case kStyleCr:
      target_[0] = '\r';
      target_size_ = 1;
      break;
    case kStyleLf:
      target_[0] = '\n';
      target_size_ = 1;
      break;
    default:
      target_[0] = '\r';
      target_[1] = '\n';
      target_size_ = 2;
      break;
  }
}

std::size_t LineBreakRewriter::Rewrite(const char* in, std::size_t size, char* out) {
  if (size == 0) return 0;
  const char* p = in;
  const char* const end = in + size;
  char* o = out;
  if (skip_lf_ && *p == '\n') ++p;
  skip_lf_ = false;

  // Two cached searches: each is repeated only once the scan has passed its hit.
  const char* next_cr = Find(p, end, '\r');
  const char* next_lf = Find(p, end, '\n');
  for (;;) {
    const char* brk = next_cr < next_lf ? next_cr : next_lf;
    std::memcpy(o, p, static_cast<std::size_t>(brk - p));
    o += brk - p;
    if (brk == end) break;
    std::memcpy(o, target_, target_size_);
    o += target_size_;
    p = brk + 1;
    if (brk == next_lf) {
      next_lf = Find(p, end, '\n');
      continue;
    }
    if (p == end) {
      skip_lf_ = true;
      break;
    }
    if (*p == '\n') {
      ++p;
      next_lf = Find(p, end, '\n');
    }
    next_cr = Find(p, end, '\r');
  }
  return static_cast<std::size_t>(o - out);
}

}  // namespace quenlo
