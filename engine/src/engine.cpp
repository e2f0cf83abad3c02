#include "quenlo/engine.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

#include "convert.h"

namespace {

// The system's errors are errno values on POSIX systems and Win32 errors on
// Windows, where an errno value would name some other error.
#ifdef _WIN32
constexpr bool kErrnoIsSystemError = false;
#else
constexpr bool kErrnoIsSystemError = true;
#endif

// No exception leaves the engine: a thread or a buffer that cannot be had
// ends the conversion like any other failure, the work file removed on the way.
template <typename Call>
quenlo::Status Guarded(Call call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return quenlo::Failed(kConvertNoResources, kErrnoIsSystemError ? ENOMEM : 0);
  } catch (const std::system_error& error) {
    return quenlo::Failed(kConvertNoResources, kErrnoIsSystemError ? error.code().value() : 0);
  }
}

// Writes the name `derive` gives into the caller's buffer: 1, or 0 when it
// does not fit.
template <typename Derive>
int CopyName(Derive derive, char* buffer, int size) {
  try {
    const std::string derived = derive();
    if (size <= 0 || derived.size() >= static_cast<std::size_t>(size)) return 0;
    std::memcpy(buffer, derived.c_str(), derived.size() + 1);
    return 1;
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

int quenlo_name_kind(const char* name) {
  try {
    return quenlo::KindOfName(quenlo::RealDisk(), name);
  } catch (const std::exception&) {
    return kNameNotAFile;
  }
}

int is_existing_file(const char* name) { return quenlo_name_kind(name) == kNameConvertible; }

int convert_file(LineBreakStyle style, int keep_backup, const char* name) {
  return quenlo_convert(style, keep_backup, kModeDetect, name, nullptr, nullptr).result;
}

QuenloStatus quenlo_convert(LineBreakStyle style, int keep_backup, ConvertMode mode,
                            const char* name, ConvertProgress progress, void* context) {
  return Guarded([&] {
           return quenlo::ConvertWith(quenlo::RealDisk(), style, keep_backup != 0, name,
                                      quenlo::kDefaultBufferSize, progress, context, mode);
         })
      .ToC();
}

QuenloStatus quenlo_convert_same(LineBreakStyle style, int keep_backup, ConvertMode mode,
                                 const char* name, const QuenloIdentity* expected,
                                 ConvertProgress progress, void* context) {
  return Guarded([&] {
           return quenlo::ConvertWith(quenlo::RealDisk(), style, keep_backup != 0, name,
                                      quenlo::kDefaultBufferSize, progress, context, mode,
                                      expected);
         })
      .ToC();
}

int quenlo_backup_name(const char* name, char* buffer, int size) {
  return CopyName([name] { return quenlo::BackupName(quenlo::RealDisk(), name); }, buffer, size);
}

int quenlo_work_name(const char* name, char* buffer, int size) {
  return CopyName([name] { return quenlo::WorkName(quenlo::RealDisk(), name); }, buffer, size);
}
