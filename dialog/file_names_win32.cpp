#include "file_names.h"

#include <windows.h>

#include <vector>

namespace {

constexpr UINT kCodePage932 = 932;

// A surrogate pair stands for one character, which code page 932 lacks.
std::wstring OneUnitPerCharacter(const std::wstring& name) {
  std::wstring units;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool pair =
        IS_HIGH_SURROGATE(name[i]) && i + 1 < name.size() && IS_LOW_SURROGATE(name[i + 1]);
    units += pair ? L'?' : name[i];
    if (pair) ++i;
  }
  return units;
}

std::string ToCodePage932(const std::wstring& name) {
  const std::wstring units = OneUnitPerCharacter(name);
  if (units.empty()) return std::string();
  const int length = static_cast<int>(units.size());
  const int size = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units.data(), length,
                                       nullptr, 0, "?", nullptr);
  if (size <= 0) return std::string(units.size(), '?');
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units.data(), length, &bytes[0], size,
                      "?", nullptr);
  return bytes;
}

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

std::size_t CodePage932Length(const std::wstring& name) { return ToCodePage932(name).size(); }

std::wstring ShownInCodePage932(const std::wstring& name) {
  const std::string bytes = ToCodePage932(name);
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, nullptr, 0);
  std::wstring shown(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(kCodePage932, 0, bytes.data(), length, &shown[0], size);
  return shown;
}

std::wstring LongPathForm(const std::wstring& name) {
  if (name.empty() || name.compare(0, 4, L"\\\\?\\") == 0) return name;
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetFullPathNameW(name.c_str(), size, buffer.data(), nullptr);
  const std::wstring full(buffer.data(), length < size ? length : 0);
  // Short names keep their classic meaning, device names included.
  if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\.\\") == 0) return name;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool AppendDroppedName(std::wstring& joined, const std::wstring& name) {
  if (CodePage932Length(joined + name) + 1 > kDropBufferSize) return false;
  joined += name;
  return true;
}
