#include "quenlo/engine.h"

#include <cstring>

#include "convert.h"

int is_existing_file(const char* name) {
  return quenlo::IsConvertible(quenlo::RealDisk(), name) ? 1 : 0;
}

int convert_file(LineBreakStyle style, int keep_backup, const char* name) {
  return convert_file_with_progress(style, keep_backup, kModeDetect, name, nullptr, nullptr);
}

int convert_file_with_progress(LineBreakStyle style, int keep_backup, ConvertMode mode,
                               const char* name, ConvertProgress progress, void* context) {
  return quenlo::ConvertWith(quenlo::RealDisk(), style, keep_backup != 0, name,
                             quenlo::kDefaultBufferSize, progress, context, mode);
}

int backup_file_name(const char* name, char* buffer, int size) {
  const std::string backup = quenlo::BackupName(quenlo::RealDisk(), name);
  if (size <= 0 || backup.size() >= static_cast<std::size_t>(size)) return 0;
  std::memcpy(buffer, backup.c_str(), backup.size() + 1);
  return 1;
}
