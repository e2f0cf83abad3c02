// Counting line breaks without rewriting: what a check and an info run
// read. Decides the encoding and the breaks as LineBreakRewriter does.
#ifndef QUENLO_LINE_COUNT_H_
#define QUENLO_LINE_COUNT_H_

#include <cstddef>
#include <cstdint>

#include "quenlo/engine.h"

namespace quenlo {

class LineBreakCounter {
 public:
  // `detect`: UTF-16/32 by code unit after their BOM; otherwise the byte
  // rule for everything. Whether it is text at all, LineBreakRewriter tells.
  explicit LineBreakCounter(bool detect) : detect_(detect) {}

  // The input, a buffer at a time, split anywhere.
  void Count(const char* in, std::size_t size);
  // At the end of the input.
  void Finish();

  std::int64_t crlf() const { return crlf_; }
  std::int64_t lf() const { return lf_; }
  std::int64_t cr() const { return cr_; }
  TextEncoding encoding() const { return encoding_; }
  // True when converting to `style` would change no line break.
  bool InStyle(LineBreakStyle style) const;

 private:
  void Decide(bool final);
  void CountUnits(const unsigned char* in, std::size_t size);
  // One code unit's value, or 0xFF for any unit that is no C0 control.
  unsigned char UnitValue(const unsigned char* unit) const;
  void Take(unsigned char value);

  bool detect_;
  bool decided_ = false;
  TextEncoding encoding_ = kEncodingBytes;
  std::size_t unit_ = 1;
  std::size_t low_ = 0;  // where a unit's low byte stands in it
  unsigned char held_[4] = {};
  std::size_t held_size_ = 0;
  bool pending_cr_ = false;
  std::int64_t crlf_ = 0, lf_ = 0, cr_ = 0;
};

}  // namespace quenlo

#endif  // QUENLO_LINE_COUNT_H_
