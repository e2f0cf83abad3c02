// Line-break conversion engine: rewrites every line break of one file, in
// place, with a ".bak" backup beside it while it works.
#ifndef QUENLO_ENGINE_H_
#define QUENLO_ENGINE_H_

#include <cstdint>

// Target style of every line break.
typedef std::int32_t LineBreakStyle;
enum : LineBreakStyle {
  kStyleCrLf = 1,
  kStyleCr = 2,
  kStyleLf = 3,
};

// Size of the name buffers, terminator included. A name whose backup name
// ("%s.bak") does not fit is refused rather than truncated.
constexpr int kNameBufferSize = 516;

// Outcome of convert_file. Every failure except kConvertNotRestored leaves
// the file exactly as it was.
enum ConvertResult : std::int32_t {
  kConvertOk = 0,
  kConvertNotAFile = 1,         // missing, a directory, a device, a pattern
  kConvertNameTooLong = 2,      // the backup name would not fit
  kConvertStaleBackup = 3,      // an old backup could not be removed
  kConvertMoveFailed = 4,       // the file could not be moved to the backup
  kConvertOpenFailed = 5,       // the backup or the new file did not open
  kConvertReadFailed = 6,
  kConvertWriteFailed = 7,
  kConvertFlushFailed = 8,
  kConvertCloseFailed = 9,
  kConvertNotRestored = 10,     // failed, and the original is left as ".bak"
};

// 1 when the name is an existing regular file that may be converted.
int is_existing_file(const char* name);

// Converts the named file to the style. keep_backup nonzero keeps the
// former content as "<name>.bak". Returns a ConvertResult.
int convert_file(LineBreakStyle style, int keep_backup, const char* name);

#endif  // QUENLO_ENGINE_H_
