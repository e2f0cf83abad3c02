// Several files, or the files under a folder, converted on a worker thread
// through the engine's entry point for many files, with one summary at the
// end instead of a message for each file.
#ifndef QUENLO32_BATCH_JOB_H_
#define QUENLO32_BATCH_JOB_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quenlo/engine.h"
#include "worker_thread.h"

// What a run came to.
struct BatchOutcome {
  struct Failure {
    std::wstring name;
    std::wstring reason;
  };
  std::int64_t converted = 0;
  std::int64_t already_right = 0;
  std::int64_t skipped_binary = 0;
  std::int64_t failed = 0;
  bool cancelled = false;
  // The first kListedFailures of them, in the order of the run.
  std::vector<Failure> failures;
};
constexpr std::size_t kListedFailures = 10;

// Where a run is: file `index` of the `found` so far, and that file's
// progress.
struct BatchPosition {
  std::int64_t index = 0;
  std::int64_t found = 0;
  int permille = 0;
  std::wstring name;
};

class BatchJob {
 public:
  // When the engine returns, the worker posts `done_message` to `window`.
  // `names` are UTF-8, as the engine takes them.
  BatchJob(LineBreakStyle style, int keep_backup, std::vector<std::string> names, HWND window,
           UINT done_message);
  BatchJob(const BatchJob&) = delete;
  BatchJob& operator=(const BatchJob&) = delete;
  // Cancels a run still going and waits for the worker to end.
  ~BatchJob();

  bool Start();
  // Stops after the file in progress, which is left as it was. Safe from
  // any thread.
  void Cancel() { m_cancel = true; }
  bool Cancelled() const { return m_cancel; }
  BatchPosition Position() const;
  // The outcome, once the done message has arrived.
  const BatchOutcome& Outcome() const;

 private:
  static DWORD WINAPI Run(void* job);
  static int OnFileDone(void* job, const QuenloFileReport* file);
  static int OnProgress(void* job, const QuenloFileReport* file, std::int64_t done,
                        std::int64_t total);

  const LineBreakStyle m_style;
  const int m_keepBackup;
  const std::vector<std::string> m_names;
  const HWND m_hWnd;
  const UINT m_doneMessage;
  std::atomic<bool> m_cancel{false};
  // The position, written by the worker and read by the window's timer.
  mutable SRWLOCK m_positionLock = SRWLOCK_INIT;
  BatchPosition m_position;
  std::string m_positionName;  // UTF-8, the name m_position holds
  // Written by the worker before it posts the done message.
  BatchOutcome m_outcome;
  WorkerThread m_thread;
};

#endif  // QUENLO32_BATCH_JOB_H_
