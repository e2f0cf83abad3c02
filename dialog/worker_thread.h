// The worker thread of a job that runs beside the dialog: started once, and
// waited for before the job's results are read and before the job goes.
#ifndef QUENLO32_WORKER_THREAD_H_
#define QUENLO32_WORKER_THREAD_H_

#include <windows.h>

#include <memory>
#include <type_traits>

class WorkerThread {
 public:
  bool Start(LPTHREAD_START_ROUTINE run, void* job) {
    m_hThread.reset(CreateThread(nullptr, 0, run, job, 0, nullptr));
    return m_hThread != nullptr;
  }
  bool Started() const { return m_hThread != nullptr; }
  // The worker ends right after posting its done message: waiting for it
  // orders its writes before the caller's reads.
  void Join() const {
    if (m_hThread) WaitForSingleObject(m_hThread.get(), INFINITE);
  }

 private:
  struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };
  std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser> m_hThread;
};

#endif  // QUENLO32_WORKER_THREAD_H_
