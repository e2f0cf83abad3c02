// A second start of the program hands its command-line file names to the
// copy that already runs, which shows them in its edit.
#ifndef QUENLO32_INSTANCE_H_
#define QUENLO32_INSTANCE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "framework/cstring.h"

// The arguments after the program's own name.
std::vector<std::wstring> NamesFromCommandLine(const wchar_t* command_line);

// The window property that marks the main dialog of the copy running under
// this module name.
CString MainWindowProperty(const CString& module_name);

// WM_COPYDATA carrying the field's text for file names: its COPYDATASTRUCT
// points into `names`.
COPYDATASTRUCT FileNameCopyData(const std::wstring& names);

// The field's text a WM_COPYDATA carries; false when it carries none.
bool FileNameFromCopyData(const COPYDATASTRUCT& data, std::wstring* names);

#endif  // QUENLO32_INSTANCE_H_
