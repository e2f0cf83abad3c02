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

std::size_t NameLength(const std::string& name) {
  std::wstring wide;
  return Utf16Form(name, &wide) ? wide.size() : name.size();
}

std::string NameStart(const std::string& name, std::size_t length) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < name.size();) {
    // By the lead byte: four bytes are a character beyond the BMP, which
    // takes two UTF-16 units.
    const unsigned char lead = static_cast<unsigned char>(name[at]);
    const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    units += bytes == 4 ? 2 : 1;
    if (units > length) return name.substr(0, at);
    at += bytes;
  }
  return name;
}

}  // namespace quenlo
