// Streaming rewrite of line breaks, one buffer at a time.
#ifndef QUENLO_LINE_BREAKS_H_
#define QUENLO_LINE_BREAKS_H_

#include <cstddef>

#include "quenlo/engine.h"

namespace quenlo {

// Every CR LF, lone CR and lone LF becomes the target sequence; everything
// else is copied. Text with a UTF-16 or UTF-32 BOM is rewritten by code unit
// (the units 000D and 000A are its CR and LF), any other text by byte, which
// is right for every ASCII-compatible encoding. The result does not depend on
// how the input is split: a CR at the end of a buffer, a unit cut in two and
// the first bytes, until they tell the encoding, are held for the next call.
class LineBreakRewriter {
 public:
  // `detect`: choose by BOM, and stop at what is no text (see binary());
  // otherwise the byte rule for everything.
  LineBreakRewriter(LineBreakStyle style, bool detect);

  // Room that Rewrite may need in `out` for `size` input bytes; Finish
  // needs MaxOutput(0).
  static constexpr std::size_t MaxOutput(std::size_t size) { return 2 * size + 16; }

  // Rewrites `size` bytes of `in` into `out`; returns the bytes written.
  std::size_t Rewrite(const char* in, std::size_t size, char* out);
  // At the end of the input: writes what is still held.
  std::size_t Finish(char* out);
  // While nothing has changed: true when rewriting `size` bytes of `in`
  // would write them as they are and hold nothing, which it then stands
  // for. False leaves everything to Rewrite. Much faster than Rewrite, so a
  // file already in the style costs little more than reading it.
  bool Skim(const char* in, std::size_t size);

  // Whether SkimsAhead may stand for Skim from here on: skimming, nothing
  // held, and in detect mode the file's first 4 KiB already seen.
  bool CanSkimAhead() const;
  // Skim's test for a later stretch of the file, read on another thread,
  // which changes nothing here: true when Skim would take the stretch once
  // every byte before it was skimmed. `*after_cr` carries a CR that ended
  // the stretch before over to this one; at the file's end it must be false.
  bool SkimsAhead(const char* in, std::size_t size, bool* after_cr) const;
  // Some line break written so far differs from the one it replaced. While
  // false, the output so far equals the input's first bytes.
  bool changed() const { return changed_; }
  // Detect mode found no text: a byte-rule file that starts with "%PDF-" or
  // holds a NUL or a C0 control byte that text does not use (01-06, 10-19,
  // 1C-1F), or a UTF-32 BOM followed by a unit that is no character's (over
  // 10FFFF, a surrogate, or in planes 4 to 13). The output is incomplete and
  // Rewrite writes nothing more. A byte-rule file is refused once its
  // first 4 KiB, or all of a shorter one at Finish, have come.
  bool binary() const { return binary_; }
  // A binary() byte-rule file whose first bytes read as UTF-16 without a
  // BOM: NUL in every other byte, or a CR LF in UTF-16 at a unit boundary.
  bool looks_utf16() const { return looks_utf16_; }

 private:
  enum class Encoding { kUndecided, kBytes, kUtf16Le, kUtf16Be, kUtf32Le, kUtf32Be };

  // Picks the encoding from the first `size` bytes; kUndecided while more
  // are needed and `final` is false.
  static Encoding Detect(const unsigned char* head, std::size_t size, bool final);
  void Start(Encoding encoding);
  // Starts `encoding` and rewrites the first `count` bytes held for deciding it.
  std::size_t StartWithHeld(Encoding encoding, std::size_t count, char* out);
  enum class Break { kCrLf, kCr, kLf };

  // Whole units only, `size` a multiple of the unit.
  std::size_t RewriteUnits(const char* in, std::size_t size, char* out);
  template <std::size_t kUnit>
  std::size_t RewriteUnits(const char* in, std::size_t size, char* out);
  // Splits off a unit cut in two; rewrites the rest.
  std::size_t RewriteStream(const char* in, std::size_t size, char* out);
  // Detect mode, byte rule: true when these next bytes of the file, or
  // earlier ones, make it binary, which binary() says once the head is
  // complete. Keeps the first bytes in head_.
  bool RefuseBytes(const unsigned char* in, std::size_t size);
  void KeepHead(const unsigned char* in, std::size_t size);
  void Refuse();
  // Detect mode, UTF-32: true, with binary() set, unless every whole unit
  // of `in` may be a character.
  bool RefuseUnits(const char* in, std::size_t size);
  template <std::size_t kUnit>
  const char* CopyToBreak(const char* p, const char* end, char** o) const;
  template <std::size_t kUnit>
  bool IsUnit(const char* unit, unsigned char value) const;
  char* PutTarget(char* out, Break source);
  bool Same(const unsigned char* p, const unsigned char* end) const;

  LineBreakStyle style_;
  bool detect_;
  Encoding encoding_ = Encoding::kUndecided;
  std::size_t unit_ = 1;  // bytes per code unit
  std::size_t low_ = 0;   // where the unit's low byte stands in it
  char cr_[4] = {'\r'};
  char lf_[4] = {'\n'};
  char target_[8];
  std::size_t target_size_ = 0;
  Break same_ = Break::kCrLf;  // the break the target leaves unchanged
  // The first bytes until they tell the encoding, then a unit cut in two.
  char held_[4];
  std::size_t held_size_ = 0;
  // The last unit was a CR; whether an LF pairs with it is still open.
  bool pending_cr_ = false;
  bool changed_ = false;
  bool binary_ = false;
  bool refusing_ = false;  // binary, and the head still coming
  bool looks_utf16_ = false;
  // The first bytes of a byte-rule file in detect mode, which tell a PDF
  // and UTF-16 without a BOM.
  static constexpr std::size_t kHead = 4096;
  unsigned char head_[kHead];
  std::size_t head_size_ = 0;
};

}  // namespace quenlo

#endif  // QUENLO_LINE_BREAKS_H_
