#include "line_breaks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
// Where the compiler can build AVX2 code beside the baseline, a file
// already right is skimmed 32 bytes a round on processors that have it.
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUENLO_AVX2 1
#endif

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

// The C0 control bytes that text does not use, NUL among them, bit b for
// byte b: 00-06, 10-19 and 1C-1F. BEL, BS, TAB, LF, VT, FF, CR, SO, SI,
// SUB and ESC are text.
constexpr std::uint32_t kBinaryBytes = 0xF3FF007Fu;

bool IsBinaryByte(unsigned char byte) { return byte < 32 && (kBinaryBytes >> byte & 1) != 0; }

// What a file that starts with it is, whatever follows.
constexpr char kPdfStart[] = "%PDF-";
constexpr std::size_t kPdfStartSize = sizeof(kPdfStart) - 1;

#ifdef __SSE2__
// Whether 16-byte rounds met a binary byte: two running minimums, one
// instruction or two a round and no branch. The bytes 00-06 are those at
// most 06; XOR 14 maps 10-19 and 1C-1F, and nothing else, onto 00-0D.
class BinaryBytes {
 public:
  void Add(__m128i bytes) {
    low_ = _mm_min_epu8(low_, bytes);
    high_ = _mm_min_epu8(high_, _mm_xor_si128(bytes, _mm_set1_epi8(0x14)));
  }
  // Nonzero lanes for a hit.
  __m128i Met() const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_cmpeq_epi8(_mm_subs_epu8(low_, _mm_set1_epi8(0x06)), zero);
    const __m128i high = _mm_cmpeq_epi8(_mm_subs_epu8(high_, _mm_set1_epi8(0x0D)), zero);
    return _mm_or_si128(low, high);
  }

 private:
  __m128i low_ = _mm_set1_epi8(-1);
  __m128i high_ = _mm_set1_epi8(-1);
};

// The end of the next block of whole 16-byte rounds from `p`, at most 1 KiB,
// each round reading `reach` bytes past its own; `p` when none fits. One
// mask test a block: a hit costs at most a block more.
const unsigned char* BlockEnd(const unsigned char* p, const unsigned char* end, std::size_t reach) {
  const std::size_t left = static_cast<std::size_t>(end - p);
  if (left < 16 + reach) return p;
  return p + std::min<std::size_t>((left - reach) & ~std::size_t{15}, 1024);
}

__m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
#endif

bool HasBinaryByte(const unsigned char* p, const unsigned char* end) {
#ifdef __SSE2__
  for (const unsigned char* block = BlockEnd(p, end, 0); p < block; block = BlockEnd(p, end, 0)) {
    BinaryBytes binary;
#pragma GCC unroll 4
    for (; p < block; p += 16) binary.Add(Load(p));
    if (_mm_movemask_epi8(binary.Met()) != 0) return true;
  }
#endif
  for (; p < end; ++p) {
    if (IsBinaryByte(*p)) return true;
  }
  return false;
}

#ifdef QUENLO_AVX2
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// AllPaired<true> and NoneOf<true> over whole 32-byte rounds from `*p`, in
// blocks of at most 1 KiB; `*p` moves past the rounds taken. True when a
// block met a byte that is not as it should be.
__attribute__((target("avx2"))) bool SkimAvx2(const unsigned char** p, const unsigned char* end,
                                              bool paired, unsigned char byte) {
  const unsigned char* at = *p;
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i wanted = _mm256_set1_epi8(static_cast<char>(byte));
  const std::size_t reach = paired ? 1 : 0;
  const __m256i mask_high = _mm256_set1_epi8(0x14);
  const __m256i zero = _mm256_setzero_si256();
  bool bad = false;
  while (!bad && static_cast<std::size_t>(end - at) >= 32 + reach) {
    const unsigned char* block =
        at + std::min<std::size_t>((static_cast<std::size_t>(end - at) - reach) & ~std::size_t{31}, 1024);
    __m256i any = zero;
    // BinaryBytes, 32 bytes a round.
    __m256i low = _mm256_set1_epi8(-1);
    __m256i high = low;
    for (; at < block; at += 32) {
      const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
      low = _mm256_min_epu8(low, here);
      high = _mm256_min_epu8(high, _mm256_xor_si256(here, mask_high));
      const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + reach));
      any = _mm256_or_si256(any, paired ? _mm256_xor_si256(_mm256_cmpeq_epi8(here, cr), _mm256_cmpeq_epi8(next, lf))
                                        : _mm256_cmpeq_epi8(here, wanted));
    }
    any = _mm256_or_si256(any, _mm256_cmpeq_epi8(_mm256_subs_epu8(low, _mm256_set1_epi8(0x06)), zero));
    any = _mm256_or_si256(any, _mm256_cmpeq_epi8(_mm256_subs_epu8(high, _mm256_set1_epi8(0x0D)), zero));
    bad = _mm256_movemask_epi8(any) != 0;
  }
  *p = at;
  return bad;
}
#endif

// True when no byte of [p, end) is a binary byte (if kText), and each CR
// at p[i] stands exactly where an LF stands at p[i + 1], for every i with
// i + 1 < end - p: the bytes are in the CR LF style already.
template <bool kText>
bool AllPaired(const unsigned char* p, const unsigned char* end) {
  unsigned bad = 0;
#ifdef QUENLO_AVX2
  if (kText && HasAvx2()) bad = SkimAvx2(&p, end, true, 0);
#endif
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (const unsigned char* block = BlockEnd(p, end, 1); p < block && bad == 0;
       block = BlockEnd(p, end, 1)) {
    __m128i any = _mm_setzero_si128();
    BinaryBytes binary;
#pragma GCC unroll 4
    for (; p < block; p += 16) {
      const __m128i here = Load(p);
      if (kText) binary.Add(here);
      any = _mm_or_si128(any, _mm_xor_si128(_mm_cmpeq_epi8(here, cr), _mm_cmpeq_epi8(Load(p + 1), lf)));
    }
    if (kText) any = _mm_or_si128(any, binary.Met());
    bad = static_cast<unsigned>(_mm_movemask_epi8(any));
  }
#endif
  for (; p < end && bad == 0; ++p) {
    bad |= kText && IsBinaryByte(*p);
    if (p + 1 < end) bad |= (*p == '\r') != (p[1] == '\n');
  }
  return bad == 0;
}

// True when no byte of [p, end) is `byte`, nor a binary byte (if kText).
template <bool kText>
bool NoneOf(const unsigned char* p, const unsigned char* end, unsigned char byte) {
  // One byte alone: the C library's search is the fastest.
  if (!kText) return !std::memchr(p, byte, static_cast<std::size_t>(end - p));
  unsigned bad = 0;
#ifdef QUENLO_AVX2
  if (HasAvx2()) bad = SkimAvx2(&p, end, false, byte);
#endif
#ifdef __SSE2__
  const __m128i wanted = _mm_set1_epi8(static_cast<char>(byte));
  for (const unsigned char* block = BlockEnd(p, end, 0); p < block && bad == 0;
       block = BlockEnd(p, end, 0)) {
    __m128i any = _mm_setzero_si128();
    BinaryBytes binary;
#pragma GCC unroll 4
    for (; p < block; p += 16) {
      const __m128i here = Load(p);
      binary.Add(here);
      any = _mm_or_si128(any, _mm_cmpeq_epi8(here, wanted));
    }
    bad = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(any, binary.Met())));
  }
#endif
  for (; p < end && bad == 0; ++p) bad |= *p == byte || IsBinaryByte(*p);
  return bad == 0;
}

// UTF-16 without a BOM, by the first bytes of a file: NUL in every other
// byte and not in all the rest, or the CR LF of either byte order at a
// unit boundary.
bool LooksUtf16(const unsigned char* head, std::size_t size) {
  const std::size_t whole = size - size % 2;
  bool all_nul[2] = {true, true};
  for (std::size_t i = 0; i < whole; ++i) all_nul[i % 2] = all_nul[i % 2] && head[i] == 0;
  if (whole > 0 && all_nul[0] != all_nul[1]) return true;
  for (std::size_t i = 0; i + 4 <= size; i += 2) {
    if (std::memcmp(head + i, "\r\0\n\0", 4) == 0 || std::memcmp(head + i, "\0\r\0\n", 4) == 0)
      return true;
  }
  return false;
}

// The code unit of UTF-32 at `unit` may be a character: at most 10FFFF, no
// surrogate, and not in planes 4 to 13, which hold none. Those planes are
// where UTF-16 text read as UTF-32 puts its line breaks (000A000D).
bool IsCharacter(const unsigned char* unit, bool big_endian) {
  const std::uint32_t value =
      big_endian ? std::uint32_t{unit[0]} << 24 | std::uint32_t{unit[1]} << 16 |
                       std::uint32_t{unit[2]} << 8 | unit[3]
                 : std::uint32_t{unit[3]} << 24 | std::uint32_t{unit[2]} << 16 |
                       std::uint32_t{unit[1]} << 8 | unit[0];
  return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF) &&
         (value < 0x40000 || value > 0xDFFFF);
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
  // The target in this encoding, and the one break it leaves as it is.
  target_size_ = 0;
  if (style_ != kStyleLf) {
    std::memcpy(target_, cr_, unit_);
    target_size_ += unit_;
  }
  if (style_ != kStyleCr) {
    std::memcpy(target_ + target_size_, lf_, unit_);
    target_size_ += unit_;
  }
  same_ = style_ == kStyleCr ? Break::kCr : style_ == kStyleLf ? Break::kLf : Break::kCrLf;
}

template <std::size_t kUnit>
bool LineBreakRewriter::IsUnit(const char* unit, unsigned char value) const {
  if (kUnit == 1) return static_cast<unsigned char>(*unit) == value;
  return std::memcmp(unit, value == '\r' ? cr_ : lf_, kUnit) == 0;
}

// Copies the units from `p` up to the first CR or LF unit, or `end`, to
// `*o`, and returns where it stopped; `*o` moves on as far. SSE2 tests 16
// bytes a round and stores them whole, the bytes past a break included:
// what follows the break overwrites them, and MaxOutput leaves the room
// (the output is never more than twice the input, and a round ends at
// least 16 bytes before the input does).
template <std::size_t kUnit>
const char* LineBreakRewriter::CopyToBreak(const char* p, const char* end, char** o) const {
  char* to = *o;
#ifdef __SSE2__
  __m128i cr, lf;
  if (kUnit == 1) {
    cr = _mm_set1_epi8('\r');
    lf = _mm_set1_epi8('\n');
  } else if (kUnit == 2) {
    std::uint16_t cr_unit, lf_unit;
    std::memcpy(&cr_unit, cr_, 2);
    std::memcpy(&lf_unit, lf_, 2);
    cr = _mm_set1_epi16(static_cast<short>(cr_unit));
    lf = _mm_set1_epi16(static_cast<short>(lf_unit));
  } else {
    std::uint32_t cr_unit, lf_unit;
    std::memcpy(&cr_unit, cr_, 4);
    std::memcpy(&lf_unit, lf_, 4);
    cr = _mm_set1_epi32(static_cast<int>(cr_unit));
    lf = _mm_set1_epi32(static_cast<int>(lf_unit));
  }
  // Lanes of the unit's width, so that a byte inside another unit is no hit.
  auto equal = [](__m128i a, __m128i b) {
    return kUnit == 1 ? _mm_cmpeq_epi8(a, b) : kUnit == 2 ? _mm_cmpeq_epi16(a, b) : _mm_cmpeq_epi32(a, b);
  };
  // The breaks in 16 bytes, a bit for each byte of a break unit.
  auto breaks = [&](__m128i bytes) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(equal(bytes, cr), equal(bytes, lf))));
  };
  // Two rounds at a time while they fit: half the tests and jumps a line.
  for (; end - p >= 32; p += 32, to += 32) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16), second);
    const unsigned hit = breaks(first) | breaks(second) << 16;
    if (hit != 0) {
      const int at = __builtin_ctz(hit);
      *o = to + at;
      return p + at;
    }
  }
  if (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
    const unsigned hit = breaks(bytes);
    if (hit != 0) {
      const int at = __builtin_ctz(hit);
      *o = to + at;
      return p + at;
    }
    p += 16;
    to += 16;
  }
#endif
  for (; p < end && !IsUnit<kUnit>(p, '\r') && !IsUnit<kUnit>(p, '\n'); p += kUnit, to += kUnit)
    std::memcpy(to, p, kUnit);
  *o = to;
  return p;
}

// Writes the target for one break: a CR with its LF, a lone CR or a lone LF.
// All eight bytes of target_ go, a copy of fixed size and no call: the
// bytes past the target are overwritten by what follows, and MaxOutput
// leaves the room.
char* LineBreakRewriter::PutTarget(char* out, Break source) {
  changed_ = changed_ || source != same_;
  std::memcpy(out, target_, sizeof(target_));
  return out + target_size_;
}

template <std::size_t kUnit>
std::size_t LineBreakRewriter::RewriteUnits(const char* in, std::size_t size, char* out) {
  const char* p = in;
  const char* const end = in + size;
  char* o = out;
  if (p == end) return 0;
  if (pending_cr_) {
    pending_cr_ = false;
    const bool lf = IsUnit<kUnit>(p, '\n');
    o = PutTarget(o, lf ? Break::kCrLf : Break::kCr);
    if (lf) p += kUnit;
  }
  for (;;) {
    p = CopyToBreak<kUnit>(p, end, &o);
    if (p == end) break;
    const bool cr = IsUnit<kUnit>(p, '\r');
    p += kUnit;
    if (!cr) {
      o = PutTarget(o, Break::kLf);
      continue;
    }
    if (p == end) {
      // Its LF, if any, is in the next buffer.
      pending_cr_ = true;
      break;
    }
    const bool lf = IsUnit<kUnit>(p, '\n');
    o = PutTarget(o, lf ? Break::kCrLf : Break::kCr);
    if (lf) p += kUnit;
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t LineBreakRewriter::RewriteUnits(const char* in, std::size_t size, char* out) {
  switch (unit_) {
    case 1:
      return RewriteUnits<1>(in, size, out);
    case 2:
      return RewriteUnits<2>(in, size, out);
    default:
      return RewriteUnits<4>(in, size, out);
  }
}

std::size_t LineBreakRewriter::RewriteStream(const char* in, std::size_t size, char* out) {
  if (encoding_ == Encoding::kBytes) {
    if (detect_ && RefuseBytes(reinterpret_cast<const unsigned char*>(in), size)) return 0;
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
    if (RefuseUnits(held_, unit_)) return 0;
    put = RewriteUnits(held_, unit_, out);
  }
  const std::size_t whole = size - size % unit_;
  if (RefuseUnits(in, whole)) return 0;
  put += RewriteUnits(in, whole, out + put);
  held_size_ = size - whole;
  std::memcpy(held_, in + whole, held_size_);
  return put;
}

void LineBreakRewriter::KeepHead(const unsigned char* in, std::size_t size) {
  const std::size_t keep = std::min(kHead - head_size_, size);
  std::memcpy(head_ + head_size_, in, keep);
  head_size_ += keep;
}

bool LineBreakRewriter::RefuseBytes(const unsigned char* in, std::size_t size) {
  const bool pdf_seen = head_size_ >= kPdfStartSize;
  KeepHead(in, size);
  refusing_ = refusing_ || HasBinaryByte(in, in + size) ||
              (!pdf_seen && head_size_ >= kPdfStartSize &&
               std::memcmp(head_, kPdfStart, kPdfStartSize) == 0);
  // What the file looks like is told by its whole head, however it came.
  if (refusing_ && head_size_ == kHead) Refuse();
  return refusing_;
}

void LineBreakRewriter::Refuse() {
  binary_ = true;
  looks_utf16_ = LooksUtf16(head_, head_size_);
}

bool LineBreakRewriter::RefuseUnits(const char* in, std::size_t size) {
  if (encoding_ != Encoding::kUtf32Le && encoding_ != Encoding::kUtf32Be) return false;
  const bool big_endian = encoding_ == Encoding::kUtf32Be;
  const auto* p = reinterpret_cast<const unsigned char*>(in);
  bool text = true;
  // No early exit: the loop stays simple enough to vectorise.
  for (std::size_t at = 0; at + 4 <= size; at += 4) text &= IsCharacter(p + at, big_endian);
  binary_ = !text;
  return binary_;
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
  // Only what was held before this call goes through again.
  const std::size_t put = StartWithHeld(encoding, held_size_ - take, out);
  if (binary_) return 0;
  return put + RewriteStream(in, size, out + put);
}

std::size_t LineBreakRewriter::StartWithHeld(Encoding encoding, std::size_t count, char* out) {
  Start(encoding);
  char head[sizeof(held_)];
  std::memcpy(head, held_, count);
  held_size_ = 0;
  return RewriteStream(head, count, out);
}

bool LineBreakRewriter::Skim(const char* in, std::size_t size) {
  // The byte rule only, between whole lines: nothing held, nothing changed.
  if (encoding_ != Encoding::kBytes || changed_ || pending_cr_ || held_size_ > 0) return false;
  // Whether the file is a PDF, and what a binary one looks like, is Rewrite's to tell.
  if (detect_ && (head_size_ < kPdfStartSize || refusing_)) return false;
  if (size == 0) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(in);
  // A CR at the end waits for the next buffer; an LF at the start follows
  // a buffer that ended in something else, so it stood alone.
  if (p[size - 1] == '\r' || (style_ == kStyleCrLf && p[0] == '\n')) return false;
  // One pass finds a break to change and, in detect mode, a binary byte,
  // which Rewrite then reports.
  const bool same = Same(p, p + size);
  if (same && detect_) KeepHead(p, size);
  return same;
}

// Skim's test over [p, end) alone, its first and last byte aside.
bool LineBreakRewriter::Same(const unsigned char* p, const unsigned char* end) const {
  const unsigned char other = style_ == kStyleLf ? '\r' : '\n';
  return style_ == kStyleCrLf
             ? (detect_ ? AllPaired<true>(p, end) : AllPaired<false>(p, end))
             : (detect_ ? NoneOf<true>(p, end, other) : NoneOf<false>(p, end, other));
}

bool LineBreakRewriter::CanSkimAhead() const {
  return encoding_ == Encoding::kBytes && !changed_ && !pending_cr_ && held_size_ == 0 &&
         (!detect_ || (head_size_ == kHead && !refusing_));
}

bool LineBreakRewriter::SkimsAhead(const char* in, std::size_t size, bool* after_cr) const {
  const auto* p = reinterpret_cast<const unsigned char*>(in);
  const unsigned char* end = p + size;
  if (p == end) return true;
  // Only in the CR LF style does a CR wait for what follows: elsewhere the
  // pair is a change, which the test of either side finds.
  if (style_ == kStyleCrLf) {
    if (*after_cr && *p++ != '\n') return false;
    if (p < end && *p == '\n') return false;
    // A CR last is left for the next stretch, as the test leaves it.
    *after_cr = p < end && end[-1] == '\r';
  }
  return Same(p, end);
}

std::size_t LineBreakRewriter::Finish(char* out) {
  if (binary_) return 0;
  std::size_t put = 0;
  if (encoding_ == Encoding::kUndecided) {
    put = StartWithHeld(Detect(reinterpret_cast<const unsigned char*>(held_), held_size_, true),
                        held_size_, out);
  }
  // A file shorter than the head.
  if (refusing_) Refuse();
  if (binary_) return 0;
  if (pending_cr_) {
    pending_cr_ = false;
    char* o = PutTarget(out + put, Break::kCr);
    put = static_cast<std::size_t>(o - out);
  }
  // An incomplete last unit is copied as it is.
  std::memcpy(out + put, held_, held_size_);
  put += held_size_;
  held_size_ = 0;
  return put;
}

}  // namespace quenlo
