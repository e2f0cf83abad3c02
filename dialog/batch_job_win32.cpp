#include "batch_job.h"

#include <utility>

#include "conversion.h"
#include "framework/cstring.h"
#include "names_win32.h"
#include "resources/resource.h"

namespace {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& m_lock;
};

std::wstring Wide(const char* utf8) {
  std::wstring wide;
  quenlo::Utf16Form(utf8 ? utf8 : "", &wide);
  return wide;
}

// Why the file failed, in the words a single conversion would use.
std::wstring ReasonFor(const QuenloFileReport& file, const std::wstring& name) {
  if (file.status.result == kConvertNotAFile && quenlo_name_kind(file.name) == kNameMissing) {
    CString missing;
    missing.LoadString(IDS_NOT_FOUND);
    return missing.str();
  }
  return ReportFor(file.status, name, std::wstring()).text;
}

}  // namespace

BatchJob::BatchJob(LineBreakStyle style, int keep_backup, std::vector<std::string> names,
                   HWND window, UINT done_message)
    : m_style(style),
      m_keepBackup(keep_backup),
      m_names(std::move(names)),
      m_hWnd(window),
      m_doneMessage(done_message) {}

BatchJob::~BatchJob() {
  if (!m_thread.Started()) return;
  Cancel();
  m_thread.Join();
}

bool BatchJob::Start() {
  return m_thread.Start(&BatchJob::Run, this);
}

BatchPosition BatchJob::Position() const {
  ExclusiveLock lock(m_positionLock);
  return m_position;
}

const BatchOutcome& BatchJob::Outcome() const {
  m_thread.Join();
  return m_outcome;
}

DWORD WINAPI BatchJob::Run(void* context) {
  auto* job = static_cast<BatchJob*>(context);
  std::vector<const char*> names;
  for (const std::string& name : job->m_names) names.push_back(name.c_str());
  const QuenloBatchOptions options{job->m_style, job->m_keepBackup, kModeDetect, kActionConvert};
  const QuenloBatchSummary summary =
      quenlo_convert_many(names.data(), static_cast<std::int32_t>(names.size()), &options,
                          &BatchJob::OnFileDone, &BatchJob::OnProgress, job);
  job->m_outcome.cancelled = summary.cancelled != 0 || job->m_cancel;
  PostMessageW(job->m_hWnd, job->m_doneMessage, 0, 0);
  return 0;
}

int BatchJob::OnFileDone(void* context, const QuenloFileReport* file) {
  auto* job = static_cast<BatchJob*>(context);
  BatchOutcome& outcome = job->m_outcome;
  switch (file->outcome) {
    case kOutcomeConverted:
      ++outcome.converted;
      break;
    case kOutcomeAlreadyRight:
      ++outcome.already_right;
      break;
    case kOutcomeSkippedBinary:
      ++outcome.skipped_binary;
      break;
    default:
      // Among several files what looks binary is skipped without the
      // question a single file gets, named or found; a cancelled file is as
      // it was.
      if (file->status.result == kConvertBinary || file->status.result == kConvertUtf16NoBom) {
        ++outcome.skipped_binary;
      } else if (file->status.result != kConvertCancelled) {
        ++outcome.failed;
        if (outcome.failures.size() < kListedFailures) {
          const std::wstring name = Wide(file->name);
          outcome.failures.push_back({name, ReasonFor(*file, name)});
        }
      }
      break;
  }
  return job->m_cancel ? 0 : 1;
}

int BatchJob::OnProgress(void* context, const QuenloFileReport* file, std::int64_t done,
                         std::int64_t total) {
  auto* job = static_cast<BatchJob*>(context);
  {
    ExclusiveLock lock(job->m_positionLock);
    BatchPosition& position = job->m_position;
    position.index = file->index;
    position.found = file->found;
    position.permille = total > 0 ? static_cast<int>(done * 1000 / total) : 0;
    // The name is made wide once for each file, not after every buffer.
    if (job->m_positionName != (file->name ? file->name : "")) {
      job->m_positionName = file->name ? file->name : "";
      position.name = Wide(file->name);
    }
  }
  return job->m_cancel ? 0 : 1;
}
