// The texts of the About box that come from the program's own version block
// and from the memory status.
#ifndef QUENLO32_VERSION_TEXTS_H_
#define QUENLO32_VERSION_TEXTS_H_

#include <cstddef>
#include <string>

#include "framework/cstring.h"

// The path prefix of the string table named by a "\VarFileInfo\Translation"
// value, or of the US English/Western table when the value is not exactly
// one language and code page pair (4 bytes).
std::wstring StringFileInfoPrefix(const unsigned char* translation, std::size_t length);

// `format` (string 102, "%lu KB") with the whole kilobytes of `bytes`.
CString MemoryLine(CString format, unsigned long long bytes);

struct VersionTexts {
  CString version;  // "<ProductName> Version <ProductVersion>"
  CString notice;   // LegalCopyright
};

// Reads the texts from the version block of `file_name`. A text whose values
// are missing, or all texts when the block is, stays empty.
VersionTexts ReadVersionTexts(const CString& file_name);

#endif  // QUENLO32_VERSION_TEXTS_H_
