#include "skim_ahead.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace quenlo {

struct SkimAhead::Check {
  void Run(InputFile& input, const LineBreakRewriter& rewriter, std::int64_t from,
           std::int64_t end) {
    bool after_cr = false;
    for (std::int64_t at = from; at < end;) {
      if (stop.load(std::memory_order_relaxed)) return;
      const std::size_t want = static_cast<std::size_t>(
          std::min<std::int64_t>(end - at, static_cast<std::int64_t>(buffer.size())));
      std::size_t got = 0;
      // A failed or short read is left to the reading in order, which tells it.
      if (!input.ReadAt(at, buffer.data(), want, &got).ok() || got != want) return;
      if (!rewriter.SkimsAhead(buffer.data(), got, &after_cr)) return;
      at += static_cast<std::int64_t>(got);
    }
    passed = !after_cr;
  }

  std::vector<char> buffer;
  std::atomic<bool> stop{false};
  bool passed = false;  // the thread's until it is joined
  std::thread thread;
};

SkimAhead::SkimAhead() = default;

SkimAhead::~SkimAhead() { Stop(); }

bool SkimAhead::Start(InputFile& input, const LineBreakRewriter& rewriter, std::int64_t from,
                      std::int64_t end, std::size_t buffer_size) {
  check_ = std::make_unique<Check>();
  check_->buffer.resize(buffer_size);
  Check* check = check_.get();
  try {
    check->thread = std::thread([check, &input, &rewriter, from, end] {
      check->Run(input, rewriter, from, end);
    });
  } catch (const std::system_error&) {
    check_.reset();
    return false;
  }
  return true;
}

bool SkimAhead::Passed() {
  if (!check_ || !check_->thread.joinable()) return false;
  check_->thread.join();
  return check_->passed;
}

void SkimAhead::Stop() {
  if (!check_ || !check_->thread.joinable()) return;
  check_->stop = true;
  check_->thread.join();
}

}  // namespace quenlo
