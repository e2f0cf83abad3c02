#include "skim_ahead.h"

#include <algorithm>
#include <system_error>

namespace quenlo {

bool SkimAhead::Start(InputFile& input, const LineBreakRewriter& rewriter, std::int64_t from,
                      std::int64_t end, std::size_t buffer_size) {
  buffer_.resize(buffer_size);
  try {
    thread_ = std::thread([this, &input, &rewriter, from, end] { Run(input, rewriter, from, end); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void SkimAhead::Run(InputFile& input, const LineBreakRewriter& rewriter, std::int64_t from,
                    std::int64_t end) {
  bool after_cr = false;
  for (std::int64_t at = from; at < end; ) {
    if (stop_.load(std::memory_order_relaxed)) return;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::int64_t>(end - at, static_cast<std::int64_t>(buffer_.size())));
    std::size_t got = 0;
    // A failed or short read is left to the reading in order, which tells it.
    if (!input.ReadAt(at, buffer_.data(), want, &got).ok() || got != want) return;
    if (!rewriter.SkimsAhead(buffer_.data(), got, &after_cr)) return;
    at += static_cast<std::int64_t>(got);
  }
  passed_ = !after_cr;
}

bool SkimAhead::Passed() {
  if (!thread_.joinable()) return false;
  thread_.join();
  return passed_;
}

void SkimAhead::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
}

}  // namespace quenlo
