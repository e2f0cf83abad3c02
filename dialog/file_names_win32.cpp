#include "file_names.h"

#include <windows.h>

namespace {

constexpr UINT kCodePage932 = 932;

}  // namespace

bool ToUtf8(const std::wstring& name, std::string* utf8) {
  utf8->clear();
  if (name.empty()) return true;
  const int length = static_cast<int>(name.size());
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  utf8->resize(static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), length, &(*utf8)[0], size,
                      nullptr, nullptr);
  return true;
}

std::size_t CodePage932Length(const std::wstring& name) {
  return quenlo::CodePage932Form(name).size();
}

std::wstring ShownInCodePage932(const std::wstring& name) {
  const std::string bytes = quenlo::CodePage932Form(name);
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, nullptr, 0);
  std::wstring shown(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, &shown[0], size);
  return shown;
}

bool AppendDroppedName(std::wstring& joined, const std::wstring& name) {
  if (CodePage932Length(joined + name) + 1 > kDropBufferSize) return false;
  joined += name;
  return true;
}
