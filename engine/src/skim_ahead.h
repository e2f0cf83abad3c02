// Checks the second half of a large file on a second thread while the
// first is skimmed. A file already in the style costs little more than
// reading it, and two cores copy it from the page cache nearly twice as
// fast as one. POSIX only: there a second thread may read at an offset
// beside the first.
#ifndef QUENLO_SKIM_AHEAD_H_
#define QUENLO_SKIM_AHEAD_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "disk.h"
#include "line_breaks.h"

namespace quenlo {

class SkimAhead {
 public:
  SkimAhead();
  SkimAhead(const SkimAhead&) = delete;
  SkimAhead& operator=(const SkimAhead&) = delete;
  // Stops the check and drops it.
  ~SkimAhead();

  // Starts checking [from, end) of `input`, `buffer_size` at a time, with
  // `rewriter`'s SkimsAhead. False when no thread could be had.
  bool Start(InputFile& input, const LineBreakRewriter& rewriter, std::int64_t from,
             std::int64_t end, std::size_t buffer_size);
  // Waits for the check: true when the whole stretch skims, as read then.
  bool Passed();
  void Stop();

 private:
  struct Check;
  std::unique_ptr<Check> check_;
};

}  // namespace quenlo

#endif  // QUENLO_SKIM_AHEAD_H_
