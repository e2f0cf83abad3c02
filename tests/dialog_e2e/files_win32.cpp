#include "files_win32.h"

#include <windows.h>

#include <memory>

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using File = std::unique_ptr<void, HandleCloser>;

// The entries matching a pattern, one at a time.
class Listing {
 public:
  explicit Listing(const std::wstring& pattern)
      : handle_(FindFirstFileW(pattern.c_str(), &entry)) {}
  ~Listing() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool next() { return FindNextFileW(handle_, &entry); }

  WIN32_FIND_DATAW entry{};

 private:
  HANDLE handle_;
};

File open(const std::wstring& path, DWORD access, DWORD disposition) {
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return File(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace

bool write_bytes(const std::wstring& path, const std::string& bytes) {
  File file = open(path, GENERIC_WRITE, CREATE_ALWAYS);
  DWORD written = 0;
  return file &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) &&
         written == bytes.size();
}

std::optional<std::string> read_bytes(const std::wstring& path) {
  File file = open(path, GENERIC_READ, OPEN_EXISTING);
  if (!file) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
    bytes.append(chunk, got);
  }
  return bytes;
}

bool write_repeated(const std::wstring& path, const std::string& unit, int count) {
  File file = open(path, GENERIC_WRITE, CREATE_ALWAYS);
  for (int i = 0; file && i < count; ++i) {
    DWORD written = 0;
    if (!WriteFile(file.get(), unit.data(), static_cast<DWORD>(unit.size()), &written,
                   nullptr) ||
        written != unit.size()) {
      return false;
    }
  }
  return file != nullptr;
}

bool holds_repeated(const std::wstring& path, const std::string& unit, int count) {
  File file = open(path, GENERIC_READ, OPEN_EXISTING);
  if (!file) return false;
  std::string chunk(unit.size(), '\0');
  for (int i = 0; i <= count; ++i) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
      return false;
    // One more read than there are copies must find the end.
    if (i == count) return got == 0;
    if (got != chunk.size() || chunk != unit) return false;
  }
  return false;
}

long long file_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::vector<std::wstring> names_in(const std::wstring& folder, const std::wstring& pattern) {
  std::vector<std::wstring> names;
  Listing listing(folder + L"\\" + pattern);
  if (listing.found()) {
    do {
      names.emplace_back(listing.entry.cFileName);
    } while (listing.next());
  }
  return names;
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool make_folder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) ||
         GetLastError() == ERROR_ALREADY_EXISTS;
}

void remove_tree(const std::wstring& path) {
  {
    Listing listing(path + L"\\*");
    if (listing.found()) {
      do {
        const std::wstring name = listing.entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = path + L"\\" + name;
        if (listing.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(child);
        } else {
          SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(child.c_str());
        }
      } while (listing.next());
    }
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
  RemoveDirectoryW(path.c_str());
}

std::wstring folder_of(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring full_path(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer) : path;
}

bool copy_program(const std::wstring& program, const std::wstring& folder,
                  const std::wstring& name) {
  if (!make_folder(folder)) return false;
  const std::wstring source = folder_of(program);
  Listing listing(source + L"\\*.dll");
  if (listing.found()) {
    do {
      const std::wstring name = listing.entry.cFileName;
      CopyFileW((source + L"\\" + name).c_str(), (folder + L"\\" + name).c_str(),
                FALSE);
    } while (listing.next());
  }
  return CopyFileW(program.c_str(), (folder + L"\\" + name).c_str(), FALSE);
}
