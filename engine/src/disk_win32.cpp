// Names arrive as UTF-8 and go to the W functions, so every name works,
// whatever the ANSI code page holds.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <set>
#include <vector>

#include "disk.h"
#include "names_win32.h"
#include "path_win32.h"
#include "quenlo/engine.h"

namespace quenlo {

namespace {

// ReadFile and WriteFile take 32-bit sizes.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

// How long a move waits for a name whose file was deleted while another
// program still had it open.
constexpr ULONGLONG kPendingDeleteWait = 2000;  // milliseconds

// For handles that must not get in another program's way.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the converted file takes over from the original.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// What a program may set on a file; the other bits the system keeps itself.
constexpr DWORD kSettableAttributes = kKeptAttributes | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

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
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  // Handed on to an owner that closes it.
  void Release() { handle_ = INVALID_HANDLE_VALUE; }

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

// The failure the last error stands for: a full disk, or `otherwise`.
Status FromLastError(ConvertResult otherwise, const std::string& entry = std::string()) {
  const DWORD error = ::GetLastError();
  return Failed(IsDiskFull(error) ? kConvertDiskFull : otherwise, static_cast<int>(error), entry);
}

Status MoveFailed(DWORD error, const std::string& entry) {
  return Failed(IsInUse(error) ? kConvertInUse : kConvertMoveFailed, static_cast<int>(error),
                entry);
}

bool SetAttributes(HANDLE handle, DWORD attributes) {
  FILE_BASIC_INFO info = {};  // zero times stay as they are
  info.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof(info)) != 0;
}

std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// A symbolic link or a junction: a name that leads elsewhere. Other reparse
// points (deduplicated, compressed or cloud files) are files like any other.
bool IsLink(HANDLE handle, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  FILE_ATTRIBUTE_TAG_INFO info;
  return !::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof(info)) ||
         IsReparseTagNameSurrogate(info.ReparseTag);
}

// The read-only attribute taken off a file for one step it would block:
// replacing its name or deleting it. It goes back on the file wherever the
// file lives on: under its name should the step fail, under another name
// (a backup linked to it) should it succeed.
class ReadOnlyLifted {
 public:
  // `directory` holds the file; it finds the file again by its index.
  ReadOnlyLifted(HANDLE directory, const std::wstring& name) : directory_(directory) {
    // Closed again at once: a rename does not replace an open file.
    Handle file(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
      return;
    attributes_ = info.dwFileAttributes & kSettableAttributes;
    id_ = FileIndex(info);
    lifted_ = SetAttributes(file.get(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
  }
  ReadOnlyLifted(const ReadOnlyLifted&) = delete;
  ReadOnlyLifted& operator=(const ReadOnlyLifted&) = delete;
  ~ReadOnlyLifted() {
    if (!lifted_) return;
    FILE_ID_DESCRIPTOR id = {};
    id.dwSize = sizeof(id);
    id.Type = FileIdType;
    id.FileId.QuadPart = static_cast<LONGLONG>(id_);
    // Gone with its last name, the file needs nothing back.
    Handle file(::OpenFileById(directory_, &id, FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                               FILE_FLAG_OPEN_REPARSE_POINT));
    if (file.valid()) SetAttributes(file.get(), attributes_);
  }

  bool lifted() const { return lifted_; }

 private:
  HANDLE directory_;
  DWORD attributes_ = 0;
  std::uint64_t id_ = 0;
  bool lifted_ = false;
};

// Deletes a file, read-only or not: ERROR_SUCCESS or the error.
DWORD DeleteAnyway(HANDLE directory, const std::wstring& name) {
  if (::DeleteFileW(name.c_str())) return ERROR_SUCCESS;
  const DWORD error = ::GetLastError();
  if (error != ERROR_ACCESS_DENIED) return error;
  ReadOnlyLifted lifted(directory, name);
  if (!lifted.lifted()) return error;
  return ::DeleteFileW(name.c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

// Whether another program has the file `name` open, which a rename does not
// replace, even where that program lets others delete it. An open to
// delete that shares nothing fails then.
bool OpenElsewhere(const std::wstring& name) {
  const HANDLE alone = ::CreateFileW(name.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (alone != INVALID_HANDLE_VALUE) {
    ::CloseHandle(alone);
    return false;
  }
  return IsInUse(::GetLastError());
}

// The volume serial number and file index tell one file from another; the
// change time comes from the basic information. False with the last error
// set when the system cannot say.
bool StateOf(HANDLE handle, FileState* state) {
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  if (!::GetFileInformationByHandle(handle, &info) ||
      !::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic)))
    return false;
  state->kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                        IsLink(handle, info.dwFileAttributes)
                    ? FileKind::kOther
                    : FileKind::kRegular;
  state->volume = info.dwVolumeSerialNumber;
  state->id = FileIndex(info);
  state->size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                          info.nFileSizeLow);
  state->modified = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime);
  state->changed = basic.ChangeTime.QuadPart;
  return true;
}

// `name` in the directory `directory`.
std::string Join(const std::string& directory, const std::string& name) {
  if (directory == ".") return name;
  const char last = directory.back();
  return last == '\\' || last == '/' || last == ':' ? directory + name : directory + "\\" + name;
}

class Win32Input : public InputFile {
 public:
  explicit Win32Input(HANDLE handle) : handle_(handle) {}
  Status Read(char* buffer, std::size_t size, std::size_t* got) override {
    DWORD read = 0;
    DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
    if (!::ReadFile(handle_.get(), buffer, want, &read, nullptr))
      return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
    *got = read;
    return Status();
  }
  Status State(FileState* state) override {
    if (StateOf(handle_.get(), state)) return Status();
    return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
  }
  NativeFile native() const override { return handle_.get(); }

 private:
  Handle handle_;
};

// Opened without sharing: while it lives, no other conversion can open or
// delete it, which is how a live work file is told from a stale one.
class Win32Work : public WorkFile {
 public:
  // `directory` is the handle of the directory `path`, which outlives it.
  Win32Work(HANDLE handle, std::wstring name, std::string path, HANDLE directory)
      : handle_(handle), name_(std::move(name)), path_(std::move(path)), directory_(directory) {}
  ~Win32Work() override {
    if (moved_) return;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    if (::SetFileInformationByHandle(handle_.get(), FileDispositionInfo, &dispose,
                                     sizeof(dispose)))
      return;
    handle_.Close();
    ::DeleteFileW(name_.c_str());
  }

  Status CopyMetadata(InputFile& original) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(original.native(), &info))
      return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
    attributes_ = info.dwFileAttributes & kKeptAttributes;
    return Status();
  }

  // The attributes go on at the move, where a read-only one no longer
  // stops the writes.
  Status CopyMode(InputFile&) override { return Status(); }

  char* Room(std::size_t size) override {
    if (room_.size() < size) room_.resize(size);
    return room_.data();
  }

  Status Write(std::size_t size) override { return WriteAll(room_.data(), size); }

  Status CopyFrom(InputFile& original, std::int64_t size) override {
    const HANDLE from = original.native();
    // A positioned read moves the file pointer too; it is put back after.
    LARGE_INTEGER zero = {}, position;
    if (!::SetFilePointerEx(from, zero, &position, FILE_CURRENT))
      return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
    std::vector<char> buffer(std::size_t{64} << 10);
    Status status;
    for (std::int64_t offset = 0; offset < size && status.ok();) {
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const std::int64_t left = size - offset;
      DWORD got = 0;
      const std::int64_t room = static_cast<std::int64_t>(buffer.size());
      if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(left < room ? left : room), &got,
                      &at)) {
        status = Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
        break;
      }
      if (got == 0) {
        status = Failed(kConvertFileChanged);  // it ends before: it shrank
        break;
      }
      status = WriteAll(buffer.data(), got);
      offset += got;
    }
    if (!::SetFilePointerEx(from, position, nullptr, FILE_BEGIN) && status.ok())
      status = Failed(kConvertReadFailed, static_cast<int>(::GetLastError()));
    return status;
  }

  Status Flush() override {
    return ::FlushFileBuffers(handle_.get()) ? Status() : FromLastError(kConvertFlushFailed);
  }

  // Renamed through the handle it holds, so no other conversion can take it
  // between closing and moving.
  Status MoveTo(const std::string& name, bool replace) override {
    const std::wstring to = WidePath(Join(path_, name));
    if (replace && OpenElsewhere(to)) return Failed(kConvertInUse, ERROR_SHARING_VIOLATION, name);
    if (!SetAttributes(handle_.get(), attributes_))
      return Failed(kConvertMoveFailed, static_cast<int>(::GetLastError()));
    // A rename does not replace a read-only file.
    std::optional<ReadOnlyLifted> lifted;
    if (replace) lifted.emplace(directory_, to);
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
      return MoveFailed(error, name);
    }
    // Made durable with the folder's Sync, which the conversion checks.
    moved_ = true;
    return Status();
  }

 private:
  Status WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
      DWORD put = 0;
      DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
      if (!::WriteFile(handle_.get(), data, want, &put, nullptr))
        return FromLastError(kConvertWriteFailed);
      if (put == 0) return Failed(kConvertWriteFailed);
      data += put;
      size -= put;
    }
    return Status();
  }

  Handle handle_;
  std::wstring name_;
  std::string path_;
  HANDLE directory_;
  std::vector<char> room_;
  DWORD attributes_ = 0;
  bool moved_ = false;
};

// What a volume allows: more than one name for a file (hard links), and the
// longest name, in UTF-16 units.
struct Volume {
  bool hard_links;
  std::size_t name_limit;
};

// "\\?\" and "\\.\" start a path in the system's own form, not a pattern.
bool HasDevicePrefix(const std::string& name) {
  return name.size() >= 4 && name[0] == '\\' && name[1] == '\\' &&
         (name[2] == '?' || name[2] == '.') && name[3] == '\\';
}

// '<', '>' and '"' are wildcards to the directory search as well.
bool IsPattern(const std::string& name) {
  return name.find_first_of("*?<>\"", HasDevicePrefix(name) ? 4 : 0) != std::string::npos;
}

// Devices (NUL, CON, COM1, ...) answer the search and the attribute query
// like files do; only an open handle tells them apart. Opening for no access
// at all is refused by no sharing mode, so a failure means it is no file.
bool IsDiskFile(const std::wstring& name) {
  Handle handle(::CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.valid() && ::GetFileType(handle.get()) == FILE_TYPE_DISK;
}

// A name resolved once: the directory that holds the file, and its name there.
struct ResolvedName {
  std::string directory;
  std::string base;
  std::string full;
};

// `name` split at its last separator: "C:" alone keeps its meaning, the
// current folder of that drive.
ResolvedName Split(const std::string& name) {
  const std::string::size_type split = name.find_last_of("\\/:");
  if (split == std::string::npos) return {".", name, name};
  // A root keeps its separator: without it "\\?\Volume{...}" is the device.
  const bool root = name[split] == ':' || split == 0 || name[split - 1] == ':' ||
                    (HasDevicePrefix(name) && name.find('\\', 4) == split);
  return {name.substr(0, root ? split + 1 : split), name.substr(split + 1), name};
}

// The path of an open file or folder as the disk holds it: long names, not
// short ones, in their stored case. In the "\\?\" form only where `prefixed`
// (the name given had that form), or where no drive letter leads to it.
// Empty when the system cannot tell.
std::string FinalPath(HANDLE handle, bool prefixed) {
  for (DWORD volume : {VOLUME_NAME_DOS, VOLUME_NAME_GUID}) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, &path[0], MAX_PATH, volume);
    if (length >= MAX_PATH) {
      path.resize(length);
      length = ::GetFinalPathNameByHandleW(handle, &path[0], length, volume);
    }
    if (length == 0 || length >= path.size()) continue;
    path.resize(length);
    if (!prefixed && volume == VOLUME_NAME_DOS) {
      if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        path.erase(2, 6);  // \\?\UNC\server\share: \\server\share
      } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
        path.erase(0, 4);
      }
    }
    return Utf8Name(path);
  }
  return std::string();
}

// The full path of the folder `path` in the "\\?\" form, with a separator at
// its end. In that form, and in the names made from it, a last part such as
// "nul", "con" or "com1" is a folder of that name and not the device; the
// separator keeps the full path from taking it for the device first. Empty
// when `path` is not UTF-8.
std::wstring LiteralFolder(const std::string& path) {
  if (HasDevicePrefix(path)) return WidePath(path);
  std::wstring wide;
  if (!Utf16Form(path, &wide) || wide.empty()) return std::wstring();
  // "C:" alone is the current folder of that drive, not its root.
  const wchar_t last = wide.back();
  if (last != L'\\' && last != L'/' && last != L':') wide += L'\\';
  wide = FullPath(wide);
  if (last == L':' && wide.back() != L'\\') wide += L'\\';
  if (wide.compare(0, 4, L"\\\\?\\") == 0 || wide.compare(0, 4, L"\\\\.\\") == 0) return wide;
  if (wide.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

// Names joined to the directory's path: Windows has no call that works
// relative to a directory handle for every step. The directory is held open
// without delete sharing wherever it may be listed, so it cannot be moved or
// removed meanwhile, and a work file held without sharing cannot be swapped.
class Win32Directory : public Directory {
 public:
  Win32Directory(std::string path, HANDLE handle, const Volume& volume)
      : path_(std::move(path)), handle_(handle), hard_links_(volume.hard_links),
        name_limit_(volume.name_limit) {}

  Status State(const std::string& name, FileState* state) override {
    *state = FileState();
    Handle handle(::CreateFileW(Wide(name).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.valid()) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
          error == ERROR_INVALID_NAME || error == ERROR_FILENAME_EXCED_RANGE)
        return Status();
      // Something is there that cannot be looked at: not a file to use.
      state->kind = FileKind::kOther;
      return Status();
    }
    if (!StateOf(handle.get(), state))
      return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()), name);
    return Status();
  }

  Status Exists(const std::string& name, bool* exists) override {
    const std::wstring wide = Wide(name);
    // The attribute query also sees an entry the search cannot list.
    *exists = FindHandle(wide).found() ||
              ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
    return Status();
  }

  // A read-only backup goes too, like any other.
  Status Remove(const std::string& name) override {
    const std::wstring wide = Wide(name);
    const DWORD error = DeleteAnyway(handle_.get(), wide);
    if (error != ERROR_SUCCESS) return Failed(kConvertMoveFailed, static_cast<int>(error), name);
    // A file deleted while another program has it open keeps its name until
    // that program lets go (where the system does not delete at once).
    if (FindHandle(wide).found()) pending_.insert(name);
    return Status();
  }

  Status Link(const std::string& from, const std::string& to) override {
    if (!hard_links_) return Failed(kConvertMoveFailed, ERROR_NOT_SUPPORTED, to);
    // The rename that follows would fail on such a file, and the link
    // would then not go until that program let go: refused first.
    if (OpenElsewhere(Wide(from))) return Failed(kConvertInUse, ERROR_SHARING_VIOLATION, from);
    if (::CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr)) return Status();
    return Failed(kConvertMoveFailed, static_cast<int>(::GetLastError()), to);
  }

  Status Move(const std::string& from, const std::string& to) override {
    const std::wstring source = Wide(from), target = Wide(to);
    // Onto a name whose delete is pending, the move waits a little for it:
    // a scanner or an indexer soon lets go.
    const ULONGLONG deadline = ::GetTickCount64() + (pending_.count(to) ? kPendingDeleteWait : 0);
    for (;;) {
      // Without MOVEFILE_REPLACE_EXISTING an existing `to` makes it fail.
      if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        pending_.erase(to);
        return Status();
      }
      const DWORD error = ::GetLastError();
      if (::GetTickCount64() >= deadline) return MoveFailed(error, from);
      ::Sleep(10);
    }
  }

  // Neither a rename through a handle nor MoveFileExW (whose write-through
  // covers only a move that copies) waits for the disk: the folder itself
  // is flushed. A file system that does not let a program flush a folder
  // (a network share may refuse) is no failure; the README says what a
  // power cut can then undo.
  Status Sync() override {
    Handle folder(::CreateFileW(WidePath(path_).c_str(), FILE_WRITE_DATA, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.valid() && ::FlushFileBuffers(folder.get())) return Status();
    const DWORD error = ::GetLastError();
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
        error == ERROR_INVALID_PARAMETER || error == ERROR_ACCESS_DENIED)
      return Status();
    return Failed(kConvertFlushFailed, static_cast<int>(error), ".");
  }

  // Where the volume has hard links (NTFS, ReFS), its rename replaces a
  // file in one step. FAT and exFAT take the two moves, which the next run
  // can recover from.
  bool ReplacesByRename() override { return hard_links_; }

  std::size_t NameLimit() override { return name_limit_; }

  Status OpenInput(const std::string& name, std::unique_ptr<InputFile>* input) override {
    // Shared for reading alone: no other program writes, moves or deletes
    // it while it is read, and one that has it open for that already makes
    // the open fail, before any work. The delete access is what the commit
    // needs to move or replace it, so a file that cannot be moved fails
    // here too.
    Handle handle(::CreateFileW(Wide(name).c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid()) {
      const DWORD error = ::GetLastError();
      return Failed(IsInUse(error) ? kConvertInUse : kConvertOpenFailed, static_cast<int>(error),
                    name);
    }
    FileState opened;
    if (!StateOf(handle.get(), &opened))
      return Failed(kConvertReadFailed, static_cast<int>(::GetLastError()), name);
    // The name was resolved to the file itself: a link there was put since.
    // Held as it is now, the entry can no longer change.
    FileState entry;
    Status status = State(name, &entry);
    if (!status.ok()) return status;
    if (entry.kind != FileKind::kRegular || !entry.SameFile(opened))
      return Failed(kConvertFileChanged, ERROR_CANT_RESOLVE_FILENAME, name);
    *input = std::make_unique<Win32Input>(handle.get());
    handle.Release();
    return Status();
  }

  Status CreateWork(const std::string& name, std::unique_ptr<WorkFile>* work) override {
    const std::wstring wide = Wide(name);
    // A few rounds: another conversion may be clearing the same stale file.
    for (int round = 0; round < 8; ++round) {
      HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        *work = Held(handle, wide);
        return Status();
      }
      DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        // Busy says it all: the sharing violation adds nothing.
        if (IsInUse(error)) return Failed(kConvertBusy, 0, name);
        return Failed(IsDiskFull(error) ? kConvertDiskFull : kConvertWorkFileFailed,
                      static_cast<int>(error), name);
      }
      // One that a live conversion holds cannot be deleted.
      error = DeleteAnyway(handle_.get(), wide);
      if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        if (IsInUse(error)) return Failed(kConvertBusy, 0, name);
        return Failed(kConvertWorkFileFailed, static_cast<int>(error), name);
      }
    }
    return Failed(kConvertBusy, 0, name);
  }

  // A live work file is held without sharing.
  Status IsHeld(const std::string& name, bool* held) override {
    Handle handle(::CreateFileW(Wide(name).c_str(), GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    *held = !handle.valid() && IsInUse(::GetLastError());
    return Status();
  }

 private:
  std::wstring Wide(const std::string& name) const { return WidePath(Join(path_, name)); }

  // The work file, held. Should it not come about, no file is left.
  std::unique_ptr<WorkFile> Held(HANDLE handle, const std::wstring& name) {
    try {
      return std::make_unique<Win32Work>(handle, name, path_, handle_.get());
    } catch (...) {
      ::CloseHandle(handle);
      ::DeleteFileW(name.c_str());
      throw;
    }
  }

  std::string path_;
  Handle handle_;
  bool hard_links_;
  std::size_t name_limit_;
  std::set<std::string> pending_;  // removed, but the name is still there
};

// What the volume that holds the directory `directory` allows.
Volume VolumeOf(HANDLE directory) {
  // 255 UTF-16 units is the limit of NTFS, ReFS, FAT and exFAT alike; Wine
  // does not say.
  DWORD name_limit = 0, flags = 0;
  wchar_t system[MAX_PATH + 1];
  if (!::GetVolumeInformationByHandleW(directory, nullptr, 0, nullptr, &name_limit, &flags, system,
                                       MAX_PATH + 1))
    return {false, 255};
  // Wine reports its Unix file systems as NTFS without the flag, and links
  // there work.
  const bool hard_links = (flags & FILE_SUPPORTS_HARD_LINKS) != 0 || std::wstring(system) == L"NTFS";
  return {hard_links, name_limit ? name_limit : 255};
}

class Win32Disk : public Disk {
 public:
  Status Locate(const std::string& name, Located* located) override {
    located->kind = Kind(name);
    if (located->kind == FileKind::kOther) return Status();
    const ResolvedName resolved = Resolve(name);
    located->base = resolved.base;
    located->full = resolved.full;
    Status status = OpenDirectory(resolved.directory, &located->directory);
    // No directory to look in: nothing there, nor to recover.
    if (!status.ok() && located->kind == FileKind::kMissing) return Status();
    return status;
  }

 private:
  FileKind Kind(const std::string& name) {
    // A pattern would let the search match some other entry.
    if (IsPattern(name)) return FileKind::kOther;
    const std::wstring wide = WidePath(name);
    if (wide.empty()) return FileKind::kMissing;
    FindHandle find(wide);
    if (!find.found()) {
      // The search finds no folder by a name that ends in a separator
      // ("folder\"); the attribute query does.
      if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return FileKind::kOther;
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

  // One name for one file, whatever name it was given by: its short name,
  // another case, trailing dots or spaces, a link to it. Every run then
  // finds the same work file, and the file keeps its name.
  ResolvedName Resolve(const std::string& name) {
    const bool prefixed = HasDevicePrefix(name);
    Handle file(::CreateFileW(WidePath(name).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    std::string full = file.valid() ? FinalPath(file.get(), prefixed) : std::string();
    if (!full.empty()) return Split(full);
    // An absent name, to recover: its directory as the disk has it, and the
    // name as the system would store it.
    const ResolvedName given = Split(name);
    Handle directory(::CreateFileW(LiteralFolder(given.directory).c_str(), FILE_READ_ATTRIBUTES,
                                   kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                   nullptr));
    const std::string path = directory.valid() ? FinalPath(directory.get(), prefixed) : "";
    std::string base = given.base;
    if (!prefixed) base.erase(base.find_last_not_of(". ") + 1);
    if (path.empty() || base.empty()) return given;
    return Split(Join(path, base));
  }

  Status OpenDirectory(const std::string& path, std::unique_ptr<Directory>* directory) {
    const std::wstring wide = LiteralFolder(path);
    // Held for listing, so that its sharing keeps it in place; where it may
    // not be listed, only looked at.
    Handle handle(::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid() && ::GetLastError() == ERROR_ACCESS_DENIED) {
      handle.Reset(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info))
      return Failed(kConvertOpenFailed, static_cast<int>(::GetLastError()), path);
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return Failed(kConvertOpenFailed, ERROR_DIRECTORY, path);
    *directory =
        std::make_unique<Win32Directory>(Utf8Name(wide), handle.get(), VolumeOf(handle.get()));
    handle.Release();
    return Status();
  }
};

}  // namespace

Disk& RealDisk() {
  static Win32Disk disk;
  return disk;
}

}  // namespace quenlo
