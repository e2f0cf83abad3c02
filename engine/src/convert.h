// The backup protocol around the rewrite, over any Disk.
#ifndef QUENLO_CONVERT_H_
#define QUENLO_CONVERT_H_

#include <cstddef>
#include <string>

#include "disk.h"
#include "status.h"
#include "quenlo/engine.h"

namespace quenlo {

// Input and output buffers together stay inside a core's L2 cache; larger
// ones make the kernel's copies to and from them miss it.
constexpr std::size_t kDefaultBufferSize = std::size_t{64} << 10;

// One conversion, by the protocol at the top of convert.cpp: the name holds
// the whole former content until the whole new content replaces it; on
// failure or cancel nothing changes. A file it would not change is not
// rewritten. With `expected`, a file under the name that is not that one
// is refused as changed before anything is touched.
Status ConvertWith(Disk& disk, LineBreakStyle style, bool keep_backup, const char* name,
                   std::size_t buffer_size = kDefaultBufferSize,
                   ConvertProgress progress = nullptr, void* context = nullptr,
                   ConvertMode mode = kModeDetect, const QuenloIdentity* expected = nullptr);

NameKind KindOfName(Disk& disk, const char* name);

// True when the name leaves room in the name buffer for the backup's suffix.
bool FitsNameBuffer(const char* name);

// The backup's name: beside the file itself when the name is a symbolic link.
std::string BackupName(Disk& disk, const char* name);

// The work file's name, beside the file as the backup is.
std::string WorkName(Disk& disk, const char* name);

}  // namespace quenlo

#endif  // QUENLO_CONVERT_H_
