// The application object: single-instance guard and the modal main dialog.
#ifndef QUENLO32_CONVERTER_APP_H_
#define QUENLO32_CONVERTER_APP_H_

#include <windows.h>

#include <memory>
#include <type_traits>

#include "framework/cstring.h"
#include "framework/win_app.h"

class CConverterApp : public CWinApp {
 public:
  CConverterApp() = default;

  BOOL InitInstance() override;

  // Base name of the program file, without directory and extension.
  const CString& GetModuleName() const { return m_strModuleName; }

 private:
  struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };

  // Named after the program file: one instance per file name.
  std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser> m_hMutex;
  CString m_strModuleName;
};

extern CConverterApp theApp;

#endif  // QUENLO32_CONVERTER_APP_H_
