// Names arrive as UTF-8 and go to the W functions, so every name works,
// whatever the ANSI code page holds.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

#include "disk.h"
#include "path_win32.h"
#include "quenlo/engine.h"

namespace quenlo {

namespace {

// ReadFile and WriteFile take 32-bit sizes.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

// Other programs may keep the file open meanwhile, as with the runtime's _open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the converted file takes over from the original.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

class FindHandle {
 public:
  explicit FindHandle(const std::wstring& name)
      : handle_(::FindFirstFileW(name.c_str(), &data_)),
        error_(found() ? ERROR_SUCCESS : ::GetLastError()) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (found()) ::FindClose(handle_);
  }

  bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD error() const { return error_; }

 private:
  WIN32_FIND_DATAW data_;
  HANDLE handle_;
  DWORD error_;
};

bool IsDiskFull(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

bool IsInUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int MoveResult(DWORD error) { return IsInUse(error) ? kConvertInUse : kConvertMoveFailed; }

bool SetAttributes(HANDLE handle, DWORD attributes) {
  FILE_BASIC_INFO info = {};  // zero times stay as they are
  info.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof(info)) != 0;
}

// Deletes a file, read-only or not: ERROR_SUCCESS or the error.
DWORD DeleteAnyway(const std::wstring& name) {
  if (::DeleteFileW(name.c_str())) return ERROR_SUCCESS;
  DWORD error = ::GetLastError();
  if (error != ERROR_ACCESS_DENIED) return error;
  DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return error;
  if (!::SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return error;
  if (::DeleteFileW(name.c_str())) return ERROR_SUCCESS;
  error = ::GetLastError();
  ::SetFileAttributesW(name.c_str(), attributes);
  return error;
}

class Win32Input : public InputFile {
 public:
  explicit Win32Input(HANDLE handle) : handle_(handle) {}
  std::int64_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
    if (!::ReadFile(handle_.get(), buffer, want, &got, nullptr)) return -1;
    return got;
  }
  std::int64_t Size() override {
    LARGE_INTEGER size;
    return ::GetFileSizeEx(handle_.get(), &size) ? size.QuadPart : 0;
  }
  HANDLE get() const { return handle_.get(); }

 private:
  Handle handle_;
};

// Opened without sharing: while it lives, no other conversion can open or
// delete it, which is how a live work file is told from a stale one.
class Win32Work : public WorkFile {
 public:
  Win32Work(HANDLE handle, std::wstring name) : handle_(handle), name_(std::move(name)) {}
  ~Win32Work() override {
    if (moved_) return;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    if (::SetFileInformationByHandle(handle_.get(), FileDispositionInfo, &dispose,
                                     sizeof(dispose)))
      return;
    handle_.Close();
    ::DeleteFileW(name_.c_str());
  }

  int CopyMetadata(InputFile& original) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(static_cast<Win32Input&>(original).get(), &info))
      return kConvertOpenFailed;
    attributes_ = info.dwFileAttributes & kKeptAttributes;
    return kConvertOk;
  }

  char* Room(std::size_t size) override {
    if (room_.size() < size) room_.resize(size);
    return room_.data();
  }

  int Write(std::size_t size) override { return WriteAll(room_.data(), size); }

  int CopyFrom(InputFile& original, std::int64_t size) override {
    const HANDLE from = static_cast<Win32Input&>(original).get();
    // A positioned read moves the file pointer too; it is put back after.
    LARGE_INTEGER zero = {}, position;
    if (!::SetFilePointerEx(from, zero, &position, FILE_CURRENT)) return kConvertReadFailed;
    std::vector<char> buffer(std::size_t{64} << 10);
    int result = kConvertOk;
    for (std::int64_t offset = 0; offset < size && result == kConvertOk;) {
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const std::int64_t left = size - offset;
      DWORD got = 0;
      if (!::ReadFile(from, buffer.data(),
                      static_cast<DWORD>(left < std::int64_t{64} << 10 ? left : buffer.size()),
                      &got, &at) ||
          got == 0) {
        result = kConvertReadFailed;
        break;
      }
      result = WriteAll(buffer.data(), got);
      offset += got;
    }
    if (!::SetFilePointerEx(from, position, nullptr, FILE_BEGIN) && result == kConvertOk)
      result = kConvertReadFailed;
    return result;
  }

  int Flush() override {
    if (::FlushFileBuffers(handle_.get())) return kConvertOk;
    return IsDiskFull(::GetLastError()) ? kConvertDiskFull : kConvertFlushFailed;
  }

  // Renamed through the handle it holds, so no other conversion can take it
  // between closing and moving.
  int MoveTo(const std::string& name, bool replace) override {
    if (!SetAttributes(handle_.get(), attributes_)) return kConvertMoveFailed;
    const std::wstring to = WidePath(name);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    to.copy(info->FileName, to.size());
    info->FileName[to.size()] = L'\0';
    if (!::SetFileInformationByHandle(handle_.get(), FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size()))) {
      DWORD error = ::GetLastError();
      SetAttributes(handle_.get(), 0);
      return MoveResult(error);
    }
    moved_ = true;
    ::FlushFileBuffers(handle_.get());
    return kConvertOk;
  }

 private:
  int WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
      DWORD put = 0;
      DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
      if (!::WriteFile(handle_.get(), data, want, &put, nullptr))
        return IsDiskFull(::GetLastError()) ? kConvertDiskFull : kConvertWriteFailed;
      if (put == 0) return kConvertWriteFailed;
      data += put;
      size -= put;
    }
    return kConvertOk;
  }

  Handle handle_;
  std::wstring name_;
  std::vector<char> room_;
  DWORD attributes_ = 0;
  bool moved_ = false;
};

// '<', '>' and '"' are wildcards to the directory search as well.
bool IsPattern(const std::string& name) {
  return name.find_first_of("*?<>\"") != std::string::npos;
}

// Devices (NUL, CON, COM1, ...) answer the search and the attribute query
// like files do; only an open handle tells them apart. Opening for no access
// at all is refused by no sharing mode, so a failure means it is no file.
bool IsDiskFile(const std::wstring& name) {
  Handle handle(::CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.valid() && ::GetFileType(handle.get()) == FILE_TYPE_DISK;
}

class Win32Disk : public Disk {
 public:
  FileKind Kind(const std::string& name) override {
    // A pattern would let the search match some other entry.
    if (IsPattern(name)) return FileKind::kOther;
    const std::wstring wide = WidePath(name);
    if (wide.empty()) return FileKind::kMissing;
    FindHandle find(wide);
    if (!find.found()) {
      DWORD error = find.error();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                     error == ERROR_INVALID_NAME
                 ? FileKind::kMissing
                 : FileKind::kOther;
    }
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    // Any directory, whatever other bits it carries: moving it aside would
    // leave an empty file in its place.
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
      return FileKind::kOther;
    return IsDiskFile(wide) ? FileKind::kRegular : FileKind::kOther;
  }

  bool Exists(const std::string& name) override {
    const std::wstring wide = WidePath(name);
    // The attribute query also sees an entry the search cannot list.
    return FindHandle(wide).found() || ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string Resolve(const std::string& name) override { return name; }

  // A read-only backup goes too, like any other.
  bool Remove(const std::string& name) override {
    return DeleteAnyway(WidePath(name)) == ERROR_SUCCESS;
  }

  // No second name: a replacing rename fails on a read-only file, and a plain
  // move keeps the original's attributes with its backup.
  bool Link(const std::string&, const std::string&) override { return false; }

  int Move(const std::string& from, const std::string& to) override {
    // Without MOVEFILE_REPLACE_EXISTING an existing `to` makes it fail.
    if (::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_WRITE_THROUGH))
      return kConvertOk;
    return MoveResult(::GetLastError());
  }

  // The moves were made with write-through.
  void SyncDirectory(const std::string&) override {}

  std::unique_ptr<InputFile> OpenInput(const std::string& name, int* result) override {
    HANDLE handle = ::CreateFileW(WidePath(name).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *result = IsInUse(::GetLastError()) ? kConvertInUse : kConvertOpenFailed;
      return nullptr;
    }
    return std::make_unique<Win32Input>(handle);
  }

  std::unique_ptr<WorkFile> CreateWork(const std::string& name, int* result) override {
    const std::wstring wide = WidePath(name);
    // A few rounds: another conversion may be clearing the same stale file.
    for (int round = 0; round < 8; ++round) {
      HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) return std::make_unique<Win32Work>(handle, wide);
      DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        *result = IsDiskFull(error)  ? kConvertDiskFull
                  : IsInUse(error) ? kConvertBusy
                                   : kConvertOpenFailed;
        return nullptr;
      }
      // One that a live conversion holds cannot be deleted.
      error = DeleteAnyway(wide);
      if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        *result = IsInUse(error) ? kConvertBusy : kConvertOpenFailed;
        return nullptr;
      }
    }
    *result = kConvertBusy;
    return nullptr;
  }
};

}  // namespace

Disk& RealDisk() {
  static Win32Disk disk;
  return disk;
}

}  // namespace quenlo
