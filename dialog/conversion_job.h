// One conversion on a worker thread, so that the dialog keeps answering
// while the engine works through a large file.
#ifndef QUENLO32_CONVERSION_JOB_H_
#define QUENLO32_CONVERSION_JOB_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "quenlo/engine.h"
#include "worker_thread.h"

class ConversionJob {
 public:
  // When the engine returns, the worker posts `done_message` to `window`.
  ConversionJob(LineBreakStyle style, int keep_backup, ConvertMode mode, std::string name,
                HWND window, UINT done_message);
  ConversionJob(const ConversionJob&) = delete;
  ConversionJob& operator=(const ConversionJob&) = delete;
  // Cancels a conversion still running and waits for the worker to end.
  ~ConversionJob();

  bool Start();
  // Asks the engine to stop after its current buffer; the file then stays
  // as it was. Safe from any thread.
  void Cancel() { m_cancel = true; }
  bool Cancelled() const { return m_cancel; }
  // The same conversion by the byte rule, not yet started, of the very file
  // this one found: should the name hold another file by then, the engine
  // refuses and changes nothing.
  std::unique_ptr<ConversionJob> SameFileByBytes() const;
  // Thousandths of the file read so far.
  int Permille() const;
  // What the engine returned, once the done message has arrived.
  QuenloStatus Status() const;
  int Result() const { return Status().result; }

 private:
  static DWORD WINAPI Run(void* job);
  static int OnProgress(void* job, std::int64_t done, std::int64_t total);

  const LineBreakStyle m_style;
  const int m_keepBackup;
  const ConvertMode m_mode;
  const std::string m_name;
  // The file the conversion must find under the name, when it must.
  std::optional<QuenloIdentity> m_expected;
  const HWND m_hWnd;
  const UINT m_doneMessage;
  std::atomic<bool> m_cancel{false};
  std::atomic<std::int64_t> m_done{0};
  std::atomic<std::int64_t> m_total{0};
  // Written by the worker before it posts the done message.
  QuenloStatus m_status{};
  WorkerThread m_thread;
};

#endif  // QUENLO32_CONVERSION_JOB_H_
