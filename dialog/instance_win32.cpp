#include "instance.h"

#include <shellapi.h>

#include <memory>

#include "file_names.h"

namespace {

// Marks a WM_COPYDATA as a file name from another start of the program.
constexpr ULONG_PTR kFileNameData = 0x514E4C31;  // "QNL1"

struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

}  // namespace

std::vector<std::wstring> NamesFromCommandLine(const wchar_t* command_line) {
  std::vector<std::wstring> names;
  if (!command_line || !*command_line) return names;
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreer> args(CommandLineToArgvW(command_line, &count));
  for (int i = 1; args && i < count; ++i) names.emplace_back(args.get()[i]);
  return names;
}

CString MainWindowProperty(const CString& module_name) {
  return CString(L"Quenlo32.MainWindow.") + module_name;
}

COPYDATASTRUCT FileNameCopyData(const std::wstring& names) {
  COPYDATASTRUCT data{};
  data.dwData = kFileNameData;
  data.cbData = static_cast<DWORD>((names.size() + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(names.c_str());
  return data;
}

bool FileNameFromCopyData(const COPYDATASTRUCT& data, std::wstring* names) {
  // The block comes from another process: trust nothing of its shape.
  if (data.dwData != kFileNameData || !data.lpData || data.cbData % sizeof(wchar_t) != 0)
    return false;
  const std::size_t count = data.cbData / sizeof(wchar_t);
  if (count < 2 || count > kNamesLimit + 1) return false;
  const wchar_t* text = static_cast<const wchar_t*>(data.lpData);
  if (text[count - 1] != L'\0') return false;
  const std::wstring received(text, count - 1);
  if (received.find(L'\0') != std::wstring::npos) return false;
  *names = received;
  return true;
}
