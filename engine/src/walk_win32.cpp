// Folders are listed through their open handles. A subfolder is opened by
// its path but without following a reparse point, and entered only when the
// handle is the very folder the listing showed: a junction or a folder
// swapped in meanwhile is never entered.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert.h"
#include "names_win32.h"
#include "path_win32.h"
#include "walk.h"

namespace quenlo {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

class Find {
 public:
  Find(const std::wstring& pattern, WIN32_FIND_DATAW* data)
      : handle_(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, data, FindExSearchNameMatch,
                                   nullptr, 0)) {}
  Find(const Find&) = delete;
  Find& operator=(const Find&) = delete;
  ~Find() {
    if (found()) ::FindClose(handle_);
  }
  bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A symbolic link or a junction, by its reparse tag.
bool IsLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag);
}

std::string::size_type LastPartAt(const std::string& name) {
  const std::string::size_type at = name.find_last_of("\\/:");
  return at == std::string::npos ? 0 : at + 1;
}

std::string Prefix(const std::string& path) {
  if (path.empty()) return path;
  const char last = path.back();
  return last == '\\' || last == '/' || last == ':' ? path : path + "\\";
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Opens a folder for listing; `follow` for the one named, whose links the
// user chose.
HANDLE OpenFolder(const std::string& path, bool follow) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  return ::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                       nullptr);
}

struct Entry {
  std::string name;
  bool folder;
  FileId id;
};

// The entries of the open folder worth visiting, sorted; false with the
// last error set when it cannot be read.
bool ReadEntries(HANDLE folder, std::uint64_t volume, std::vector<Entry>* entries) {
  std::vector<char> buffer(std::size_t{64} << 10);
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!::GetFileInformationByHandleEx(folder, kind, buffer.data(),
                                        static_cast<DWORD>(buffer.size()))) {
      if (::GetLastError() == ERROR_NO_MORE_FILES) break;
      return false;
    }
    kind = FileIdBothDirectoryInfo;
    for (std::size_t at = 0;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
      const std::wstring wide(info->FileName, info->FileNameLength / sizeof(WCHAR));
      const DWORD attributes = info->FileAttributes;
      const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      // For a reparse point the listing gives its tag where extended
      // attributes' size would be.
      const bool skipped = wide.empty() || wide[0] == L'.' || (attributes & kHiddenOrSystem) ||
                           (folder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
                           IsLinkTag(attributes, info->EaSize) ||
                           (attributes & FILE_ATTRIBUTE_DEVICE);
      const std::string name = skipped ? std::string() : Utf8Name(wide);
      if (!name.empty() && !IsOwnFile(name))
        entries->push_back({name, folder, {volume, static_cast<std::uint64_t>(info->FileId.QuadPart)}});
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  std::sort(entries->begin(), entries->end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

bool Walk(HANDLE folder, std::uint64_t volume, const std::string& path, WalkVisitor& visitor) {
  std::vector<Entry> entries;
  if (!ReadEntries(folder, volume, &entries))
    return visitor.Unreadable(path, Failed(kConvertReadFailed, static_cast<int>(::GetLastError())));
  visitor.Listed(static_cast<std::size_t>(
      std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return !e.folder; })));
  const std::string prefix = Prefix(path);
  for (const Entry& entry : entries) {
    const std::string name = prefix + entry.name;
    if (!entry.folder) {
      if (!visitor.File(name, entry.id, false)) return false;
      continue;
    }
    if (!visitor.Enter(entry.id)) continue;
    Handle sub(OpenFolder(name, false));
    if (!sub.valid()) {
      if (!visitor.Unreadable(name, Failed(kConvertOpenFailed, static_cast<int>(::GetLastError()))))
        return false;
      continue;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(sub.get(), &info) || !(IdOf(info) == entry.id) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    if (!Walk(sub.get(), volume, name, visitor)) return false;
  }
  return true;
}

}  // namespace

EntryKind Identify(const std::string& name, FileId* id) {
  const std::wstring wide = WidePath(name);
  if (wide.empty() || IsPattern(name)) return EntryKind::kOther;
  Handle handle(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.valid()) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::kMissing
                                                                          : EntryKind::kOther;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle.get(), &info)) return EntryKind::kOther;
  *id = IdOf(info);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kFolder;
  return ::GetFileType(handle.get()) == FILE_TYPE_DISK ? EntryKind::kFile : EntryKind::kOther;
}

bool IsPattern(const std::string& name) {
  return name.find_first_of("*?", LastPartAt(name)) != std::string::npos;
}

std::vector<std::string> Matches(const std::string& pattern) {
  std::vector<std::string> names;
  // The folder part must hold no pattern: only the last part is expanded.
  const std::string::size_type last = LastPartAt(pattern);
  if (pattern.find_first_of("*?") < last) return names;
  std::wstring wide;
  const std::wstring folder = WidePath(pattern.substr(0, last).empty() ? "." : pattern.substr(0, last));
  if (folder.empty() || !Utf16Form(pattern.substr(last), &wide)) return names;
  WIN32_FIND_DATAW data;
  const std::wstring joined = folder.back() == L'\\' || folder.back() == L':' ? folder + wide
                                                                              : folder + L"\\" + wide;
  Find find(joined, &data);
  if (!find.found()) return names;
  do {
    const DWORD attributes = data.dwFileAttributes;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | kHiddenOrSystem | FILE_ATTRIBUTE_DEVICE)) ||
        IsLinkTag(attributes, data.dwReserved0))
      continue;
    const std::string name = Utf8Name(data.cFileName);
    if (!name.empty() && !IsOwnFile(name)) names.push_back(pattern.substr(0, last) + name);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

bool WalkFolder(const std::string& path, WalkVisitor& visitor) {
  Handle top(OpenFolder(path, true));
  if (!top.valid())
    return visitor.Unreadable(path, Failed(kConvertOpenFailed, static_cast<int>(::GetLastError())));
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(top.get(), &info))
    return visitor.Unreadable(path, Failed(kConvertOpenFailed, static_cast<int>(::GetLastError())));
  if (!visitor.Enter(IdOf(info))) return true;
  return Walk(top.get(), info.dwVolumeSerialNumber, path, visitor);
}

}  // namespace quenlo
