#include "line_breaks.h"

#include <algorithm>
#include <cstring>

namespace quenlo {

namespace {

// The BOMs that make a file code-unit text. UTF-32LE's starts with
// UTF-16LE's, so it is tried first.
struct Bom {
  const char* bytes;
  std::size_t size;
};
const Bom kUtf32LeBom{"\xFF\xFE\0\0", 4};
const Bom kUtf32BeBom{"\0\0\xFE\xFF", 4};
const Bom kUtf16LeBom{"\xFF\xFE", 2};
const Bom kUtf16BeBom{"\xFE\xFF", 2};

// 0: `head` cannot start with the BOM; 1: it does; -1: too short to tell.
int Starts(const unsigned char* head, std::size_t size, const Bom& bom) {
  const std::size_t n = std::min(size, bom.size);
  if (std::memcmp(head, bom.bytes, n) != 0) return 0;
  return n == bom.size ? 1 : -1;
}

}  // namespace

LineBreakRewriter::LineBreakRewriter(LineBreakStyle style, bool detect)
    : style_(style), detect_(detect) {
  if (!detect_) Start(Encoding::kBytes);
}

LineBreakRewriter::Encoding LineBreakRewriter::Detect(const unsigned char* head,
                                                      std::size_t size, bool final) {
  const struct {
    const Bom& bom;
    Encoding encoding;
  } kinds[] = {{kUtf32LeBom, Encoding::kUtf32Le},
               {kUtf32BeBom, Encoding::kUtf32Be},
               {kUtf16LeBom, Encoding::kUtf16Le},
               {kUtf16BeBom, Encoding::kUtf16Be}};
  for (const auto& kind : kinds) {
    const int starts = Starts(head, size, kind.bom);
    if (starts == 1) return kind.encoding;
    // A shorter BOM that matches does not settle it while a longer one still may.
    if (starts == -1 && !final) return Encoding::kUndecided;
  }
  return Encoding::kBytes;
}

void LineBreakRewriter::Start(Encoding encoding) {
  encoding_ = encoding;
  const bool utf32 = encoding == Encoding::kUtf32Le || encoding == Encoding::kUtf32Be;
  const bool big_endian = encoding == Encoding::kUtf16Be || encoding == Encoding::kUtf32Be;
  unit_ = encoding == Encoding::kBytes ? 1 : utf32 ? 4 : 2;
  low_ = big_endian ? unit_ - 1 : 0;
  std::memset(cr_, 0, sizeof(cr_));
  std::memset(lf_, 0, sizeof(lf_));
  cr_[low_] = '\r';
  lf_[low_] = '\n';
}

bool LineBreakRewriter::IsUnit(const char* unit, unsigned char value) const {
  return static_cast<unsigned char>(unit[low_]) == value &&
         std::memcmp(unit, value == '\r' ? cr_ : lf_, unit_) == 0;
}

// The first unit from `from` (a unit boundary) whose value is `value`, or
// `end`. Searching for its low byte keeps the byte speed; a hit that is the
// other half of some unit is passed over.
const char* LineBreakRewriter::FindUnit(const char* from, const char* end,
                                        unsigned char value) const {
  for (const char* p = from + low_; p < end;) {
    const void* hit = std::memchr(p, value, static_cast<std::size_t>(end - p));
    if (!hit) return end;
    const char* unit = static_cast<const char*>(hit) - low_;
    if ((static_cast<std::size_t>(unit - from) & (unit_ - 1)) == 0 && IsUnit(unit, value))
      return unit;
    p = static_cast<const char*>(hit) + 1;
  }
  return end;
}

// Writes the target for one break: a CR (with or without its LF) or a lone LF.
char* LineBreakRewriter::PutTarget(char* out, bool was_cr, bool had_lf) {
  const bool target_cr = style_ != kStyleLf;
  const bool target_lf = style_ != kStyleCr;
  if (target_cr != was_cr || target_lf != (had_lf || !was_cr)) changed_ = true;
  if (target_cr) {
    std::memcpy(out, cr_, unit_);
    out += unit_;
  }
  if (target_lf) {
    std::memcpy(out, lf_, unit_);
    out += unit_;
  }
  return out;
}

std::size_t LineBreakRewriter::RewriteUnits(const char* in, std::size_t size, char* out) {
  const char* p = in;
  const char* const end = in + size;
  char* o = out;
  if (p == end) return 0;
  if (pending_cr_) {
    pending_cr_ = false;
    const bool lf = IsUnit(p, '\n');
    o = PutTarget(o, true, lf);
    if (lf) p += unit_;
  }

  // Two cached searches: each is repeated only once the scan has passed its hit.
  const char* next_cr = FindUnit(p, end, '\r');
  const char* next_lf = FindUnit(p, end, '\n');
  for (;;) {
    const char* brk = std::min(next_cr, next_lf);
    std::memcpy(o, p, static_cast<std::size_t>(brk - p));
    o += brk - p;
    if (brk == end) break;
    p = brk + unit_;
    if (brk == next_lf) {
      o = PutTarget(o, false, false);
      next_lf = FindUnit(p, end, '\n');
      continue;
    }
    if (p == end) {
      // Its LF, if any, is in the next buffer.
      pending_cr_ = true;
      break;
    }
    const bool lf = IsUnit(p, '\n');
    o = PutTarget(o, true, lf);
    if (lf) {
      p += unit_;
      next_lf = FindUnit(p, end, '\n');
    }
    next_cr = FindUnit(p, end, '\r');
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t LineBreakRewriter::RewriteStream(const char* in, std::size_t size, char* out) {
  if (encoding_ == Encoding::kBytes) {
    if (detect_ && std::memchr(in, '\0', size)) {
      binary_ = true;
      return 0;
    }
    return RewriteUnits(in, size, out);
  }
  std::size_t put = 0;
  if (held_size_ > 0) {
    // Complete the unit cut in two by the previous buffer.
    const std::size_t take = std::min(unit_ - held_size_, size);
    std::memcpy(held_ + held_size_, in, take);
    held_size_ += take;
    in += take;
    size -= take;
    if (held_size_ < unit_) return 0;
    held_size_ = 0;
    put = RewriteUnits(held_, unit_, out);
  }
  const std::size_t whole = size - size % unit_;
  put += RewriteUnits(in, whole, out + put);
  held_size_ = size - whole;
  std::memcpy(held_, in + whole, held_size_);
  return put;
}

std::size_t LineBreakRewriter::Rewrite(const char* in, std::size_t size, char* out) {
  if (binary_ || size == 0) return 0;
  if (encoding_ != Encoding::kUndecided) return RewriteStream(in, size, out);
  // Hold the first bytes until they tell the encoding.
  const std::size_t take = std::min(sizeof(held_) - held_size_, size);
  std::memcpy(held_ + held_size_, in, take);
  held_size_ += take;
  const Encoding encoding =
      Detect(reinterpret_cast<const unsigned char*>(held_), held_size_, false);
  if (encoding == Encoding::kUndecided) return 0;
  Start(encoding);
  // Only what was held before this call goes through again.
  const std::size_t before = held_size_ - take;
  char head[sizeof(held_)];
  std::memcpy(head, held_, before);
  held_size_ = 0;
  std::size_t put = RewriteStream(head, before, out);
  if (binary_) return 0;
  return put + RewriteStream(in, size, out + put);
}

std::size_t LineBreakRewriter::Finish(char* out) {
  if (binary_) return 0;
  std::size_t put = 0;
  if (encoding_ == Encoding::kUndecided) {
    Start(Detect(reinterpret_cast<const unsigned char*>(held_), held_size_, true));
    char head[sizeof(held_)];
    const std::size_t size = held_size_;
    std::memcpy(head, held_, size);
    held_size_ = 0;
    put = RewriteStream(head, size, out);
    if (binary_) return 0;
  }
  if (pending_cr_) {
    pending_cr_ = false;
    char* o = PutTarget(out + put, true, false);
    put = static_cast<std::size_t>(o - out);
  }
  // An incomplete last unit is copied as it is.
  std::memcpy(out + put, held_, held_size_);
  put += held_size_;
  held_size_ = 0;
  return put;
}

}  // namespace quenlo
