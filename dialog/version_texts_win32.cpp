#include "version_texts.h"

#include <windows.h>

#include <cwchar>
#include <vector>

std::wstring StringFileInfoPrefix(const unsigned char* translation, std::size_t length) {
  if (!translation || length != 4) return L"\\StringFileInfo\\040904E4\\";
  // Language, then code page, each a little-endian word.
  wchar_t prefix[40];
  std::swprintf(prefix, sizeof prefix / sizeof prefix[0], L"\\StringFileInfo\\%02x%02x%02x%02x\\",
                translation[1], translation[0], translation[3], translation[2]);
  return prefix;
}

CString MemoryLine(CString format, unsigned long long bytes) {
  format.Replace(L"%lu", std::to_wstring(bytes >> 10));
  return format;
}

namespace {

// One string value of the block; false when the block lacks it.
bool QueryString(const std::vector<unsigned char>& block, const std::wstring& path, CString* value) {
  void* data = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &data, &length) || !data) return false;
  const wchar_t* text = static_cast<const wchar_t*>(data);
  *value = CString(std::wstring(text, wcsnlen(text, length)));
  return true;
}

}  // namespace

VersionTexts ReadVersionTexts(const CString& file_name) {
  VersionTexts texts;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(file_name, &handle);
  if (size == 0) return texts;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(file_name, handle, size, block.data())) return texts;

  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length))
    length = 0;
  const std::wstring prefix =
      StringFileInfoPrefix(static_cast<const unsigned char*>(translation), length);

  CString product;
  CString version;
  if (QueryString(block, prefix + L"ProductName", &product) &&
      QueryString(block, prefix + L"ProductVersion", &version)) {
    texts.version = product + L" Version " + version;
  }
  QueryString(block, prefix + L"LegalCopyright", &texts.notice);
  return texts;
}
