// Names are byte strings in the ANSI code page, passed to the A functions
// unchanged.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "disk.h"

namespace quenlo {

namespace {

// ReadFile and WriteFile take 32-bit sizes.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!valid()) return true;
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

class FindHandle {
 public:
  explicit FindHandle(const std::string& name)
      : handle_(::FindFirstFileA(name.c_str(), &data_)),
        error_(found() ? ERROR_SUCCESS : ::GetLastError()) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (found()) ::FindClose(handle_);
  }

  bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD error() const { return error_; }

 private:
  WIN32_FIND_DATAA data_;
  HANDLE handle_;
  DWORD error_;
};

// Other programs may keep the file open meanwhile, as with the runtime's _open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
  bool Close() override { return handle_.Close(); }

 private:
  Handle handle_;
};

class Win32Output : public OutputFile {
 public:
  explicit Win32Output(HANDLE handle) : handle_(handle) {}
  bool Write(const char* data, std::size_t size) override {
    while (size > 0) {
      DWORD put = 0;
      DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
      if (!::WriteFile(handle_.get(), data, want, &put, nullptr) || put == 0) return false;
      data += put;
      size -= put;
    }
    return true;
  }
  bool Flush() override { return ::FlushFileBuffers(handle_.get()) != 0; }
  bool Close() override { return handle_.Close(); }

 private:
  Handle handle_;
};

// '<', '>' and '"' are wildcards to the directory search as well.
bool IsPattern(const std::string& name) {
  return name.find_first_of("*?<>\"") != std::string::npos;
}

// Devices (NUL, CON, COM1, ...) answer the search and the attribute query
// like files do; only an open handle tells them apart. Opening for no access
// at all is refused by no sharing mode, so a failure means it is no file.
bool IsDiskFile(const std::string& name) {
  Handle handle(::CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.valid() && ::GetFileType(handle.get()) == FILE_TYPE_DISK;
}

class Win32Disk : public Disk {
 public:
  FileKind Kind(const std::string& name) override {
    // A pattern would let the search match some other entry.
    if (IsPattern(name)) return FileKind::kOther;
    FindHandle find(name);
    if (!find.found()) {
      DWORD error = find.error();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                     error == ERROR_INVALID_NAME
                 ? FileKind::kMissing
                 : FileKind::kOther;
    }
    DWORD attributes = ::GetFileAttributesA(name.c_str());
    // Any directory, whatever other bits it carries: moving it aside would
    // leave an empty file in its place.
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
      return FileKind::kOther;
    return IsDiskFile(name) ? FileKind::kRegular : FileKind::kOther;
  }

  bool Exists(const std::string& name) override {
    // The attribute query also sees an entry the search cannot list.
    return FindHandle(name).found() || ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string Resolve(const std::string& name) override { return name; }

  // Fails on a read-only file, which is how its backup stays.
  bool Remove(const std::string& name) override { return ::DeleteFileA(name.c_str()) != 0; }

  // Without MOVEFILE_REPLACE_EXISTING an existing `to` makes it fail.
  bool Move(const std::string& from, const std::string& to) override {
    return ::MoveFileA(from.c_str(), to.c_str()) != 0;
  }

  std::unique_ptr<InputFile> OpenInput(const std::string& name) override {
    HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Input>(handle);
  }

  // The new file is plain and writable: the former attributes stay with the
  // backup.
  std::unique_ptr<OutputFile> CreateOutput(const std::string& name, const std::string&) override {
    HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Output>(handle);
  }
};

}  // namespace

Disk& RealDisk() {
  static Win32Disk disk;
  return disk;
}

}  // namespace quenlo
