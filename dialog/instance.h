// A second start of the program hands its command-line file name to the
// copy that already runs, which shows it in its edit.
#ifndef QUENLO32_INSTANCE_H_
#define QUENLO32_INSTANCE_H_

#include <windows.h>

#include <string>

#include "framework/cstring.h"

// The first argument after the program's own name, or empty.
std::wstring NameFromCommandLine(const wchar_t* command_line);

// The window property that marks the main dialog of the copy running under
// this module name.
CString MainWindowProperty(const CString& module_name);

// WM_COPYDATA carrying a file name: its COPYDATASTRUCT points into `name`.
COPYDATASTRUCT FileNameCopyData(const std::wstring& name);

// The file name a WM_COPYDATA carries; false when it carries none.
bool FileNameFromCopyData(const COPYDATASTRUCT& data, std::wstring* name);

#endif  // QUENLO32_INSTANCE_H_
