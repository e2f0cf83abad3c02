#include "conversion_job.h"

#include <utility>

ConversionJob::ConversionJob(LineBreakStyle style, int keep_backup, ConvertMode mode,
                             std::string name, HWND window, UINT done_message)
    : m_style(style),
      m_keepBackup(keep_backup),
      m_mode(mode),
      m_name(std::move(name)),
      m_hWnd(window),
      m_doneMessage(done_message) {}

ConversionJob::~ConversionJob() {
  if (!m_thread.Started()) return;
  Cancel();
  m_thread.Join();
}

std::unique_ptr<ConversionJob> ConversionJob::SameFileByBytes() const {
  auto job = std::make_unique<ConversionJob>(m_style, m_keepBackup, kModeBytes, m_name, m_hWnd,
                                             m_doneMessage);
  job->m_expected = Status().file;
  return job;
}

bool ConversionJob::Start() {
  return m_thread.Start(&ConversionJob::Run, this);
}

QuenloStatus ConversionJob::Status() const {
  m_thread.Join();
  return m_status;
}

int ConversionJob::Permille() const {
  const std::int64_t total = m_total;
  if (total <= 0) return 0;
  return static_cast<int>(m_done * 1000 / total);
}

DWORD WINAPI ConversionJob::Run(void* context) {
  auto* job = static_cast<ConversionJob*>(context);
  job->m_status =
      job->m_expected
          ? quenlo_convert_same(job->m_style, job->m_keepBackup, job->m_mode, job->m_name.c_str(),
                                &*job->m_expected, &ConversionJob::OnProgress, job)
          : quenlo_convert(job->m_style, job->m_keepBackup, job->m_mode, job->m_name.c_str(),
                           &ConversionJob::OnProgress, job);
  PostMessageW(job->m_hWnd, job->m_doneMessage, 0, 0);
  return 0;
}

int ConversionJob::OnProgress(void* context, std::int64_t done, std::int64_t total) {
  auto* job = static_cast<ConversionJob*>(context);
  job->m_total = total;
  job->m_done = done;
  return job->m_cancel ? 0 : 1;
}
