#include "line_count.h"

#include <algorithm>
#include <cstring>

namespace quenlo {

namespace {

// Longest first: UTF-32LE's BOM starts with UTF-16LE's.
const struct {
  const char* bytes;
  std::size_t size;
  TextEncoding encoding;
} kBoms[] = {{"\xFF\xFE\0\0", 4, kEncodingUtf32Le},
             {"\0\0\xFE\xFF", 4, kEncodingUtf32Be},
             {"\xFF\xFE", 2, kEncodingUtf16Le},
             {"\xFE\xFF", 2, kEncodingUtf16Be},
             {"\xEF\xBB\xBF", 3, kEncodingUtf8Bom}};

}  // namespace

void LineBreakCounter::Decide(bool final) {
  for (const auto& bom : kBoms) {
    const std::size_t n = std::min(held_size_, bom.size);
    if (std::memcmp(held_, bom.bytes, n) != 0) continue;
    if (n < bom.size) {
      if (!final) return;  // a longer BOM may still match
      continue;
    }
    // Only -B's byte rule reads UTF-16/32 by byte; a UTF-8 BOM is text by byte anyway.
    if (detect_ || bom.encoding == kEncodingUtf8Bom) encoding_ = bom.encoding;
    break;
  }
  decided_ = true;
  const bool utf32 = encoding_ == kEncodingUtf32Le || encoding_ == kEncodingUtf32Be;
  const bool utf16 = encoding_ == kEncodingUtf16Le || encoding_ == kEncodingUtf16Be;
  unit_ = utf32 ? 4 : utf16 ? 2 : 1;
  low_ = encoding_ == kEncodingUtf16Be ? 1 : encoding_ == kEncodingUtf32Be ? 3 : 0;
  unsigned char head[sizeof(held_)];
  const std::size_t size = held_size_;
  std::memcpy(head, held_, size);
  held_size_ = 0;
  CountUnits(head, size);
}

void LineBreakCounter::Count(const char* in, std::size_t size) {
  const auto* p = reinterpret_cast<const unsigned char*>(in);
  if (!decided_) {
    const std::size_t take = std::min(size, sizeof(held_) - held_size_);
    std::memcpy(held_ + held_size_, p, take);
    held_size_ += take;
    p += take;
    size -= take;
    if (held_size_ < sizeof(held_)) return;
    Decide(false);
  }
  CountUnits(p, size);
}

void LineBreakCounter::Finish() {
  if (!decided_) Decide(true);
  if (pending_cr_) ++cr_;
  pending_cr_ = false;
  held_size_ = 0;  // a unit cut short at the end is no break
}

void LineBreakCounter::Take(unsigned char c) {
  if (c == '\n') {
    if (pending_cr_) ++crlf_; else ++lf_;
    pending_cr_ = false;
    return;
  }
  if (pending_cr_) ++cr_;
  pending_cr_ = c == '\r';
}

unsigned char LineBreakCounter::UnitValue(const unsigned char* unit) const {
  for (std::size_t i = 0; i < unit_; ++i)
    if (i != low_ && unit[i] != 0) return 0xFF;  // not a C0 control
  return unit[low_];
}

void LineBreakCounter::CountUnits(const unsigned char* in, std::size_t size) {
  if (unit_ == 1) {
    for (const unsigned char* p = in; p < in + size; ++p) {
      if (*p > '\r' && !pending_cr_) continue;
      Take(*p);
    }
    return;
  }
  // A unit cut in two is held for the next call.
  if (held_size_ > 0) {
    const std::size_t take = std::min(size, unit_ - held_size_);
    std::memcpy(held_ + held_size_, in, take);
    held_size_ += take;
    in += take;
    size -= take;
    if (held_size_ < unit_) return;
    held_size_ = 0;
    Take(UnitValue(held_));
  }
  const std::size_t whole = size - size % unit_;
  for (const unsigned char* u = in; u < in + whole; u += unit_) {
    if (u[low_] > '\r' && !pending_cr_) continue;
    Take(UnitValue(u));
  }
  held_size_ = size - whole;
  std::memcpy(held_, in + whole, held_size_);
}

bool LineBreakCounter::InStyle(LineBreakStyle style) const {
  switch (style) {
    case kStyleCrLf:
      return lf_ == 0 && cr_ == 0;
    case kStyleCr:
      return crlf_ == 0 && lf_ == 0;
    default:
      return crlf_ == 0 && cr_ == 0;
  }
}

}  // namespace quenlo
