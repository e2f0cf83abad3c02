#include "path_win32.h"

#include "disk.h"
#include "names_win32.h"

namespace quenlo {

std::wstring WidePath(const std::string& name) {
  std::wstring wide;
  return Utf16Form(name, &wide) ? LongPathForm(wide) : std::wstring();
}

std::string Utf8Name(const std::wstring& name) {
  std::string utf8;
  return Utf8Form(name, &utf8) ? utf8 : std::string();
}

std::size_t NameBufferLength(const std::string& name) {
  std::wstring wide;
  // Not UTF-8: no file has that name, and its bytes are its length.
  return Utf16Form(name, &wide) ? CodePage932Form(wide).size() : name.size();
}

}  // namespace quenlo
