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
  kConvertOpenFailed = 5,       // the file or the work file did not open
  kConvertReadFailed = 6,
  kConvertWriteFailed = 7,
  kConvertFlushFailed = 8,
  kConvertCloseFailed = 9,      // no longer produced; the number stays taken
  kConvertNotRestored = 10,     // failed, and the original is left as ".bak"
  kConvertCancelled = 11,       // the progress callback said stop
  kConvertBusy = 12,            // another conversion of the same file is running
  kConvertInUse = 13,           // another program holds the file open without sharing
  kConvertDiskFull = 14,
  kConvertOwnerNotKept = 15,    // the new file could not get the owner and group
  kConvertAttributesNotKept = 16,  // nor the extended attributes
  kConvertBinary = 17,          // a NUL byte and no UTF-16/32 BOM: refused in kModeDetect
};

// How the content is read.
typedef std::int32_t ConvertMode;
enum : ConvertMode {
  // UTF-16 and UTF-32 with a BOM by code unit; any other file by the byte
  // rule, except that a file with a NUL byte is refused (kConvertBinary).
  kModeDetect = 0,
  // The byte rule for the whole file, whatever it holds.
  kModeBytes = 1,
};

// Called on the converting thread after each buffer, with the bytes of the
// file read so far and its size. Returns nonzero to go on, 0 to cancel; the
// file is then left as it was. To cancel from another thread, have the
// callback read a flag that thread sets. The last call comes once the new
// content is on the device, just before it takes the name; from then on the
// conversion runs to its end.
typedef int (*ConvertProgress)(void* context, std::int64_t done, std::int64_t total);

// Names are byte strings as the file system takes them on POSIX systems,
// and UTF-8 on Windows.

// 1 when the name is an existing regular file that may be converted.
int is_existing_file(const char* name);

// Converts the named file to the style, in kModeDetect. keep_backup nonzero
// keeps the former content as "<name>.bak". A file already in the style is
// left as it is. Returns a ConvertResult.
int convert_file(LineBreakStyle style, int keep_backup, const char* name);

// Writes the name of the backup of `name` into `buffer` (beside the target
// when the name is a symbolic link). Returns 1, or 0 when it does not fit.
int backup_file_name(const char* name, char* buffer, int size);

// convert_file in the given mode, with a progress callback (may be null)
// and its context.
int convert_file_with_progress(LineBreakStyle style, int keep_backup, ConvertMode mode,
                               const char* name, ConvertProgress progress, void* context);

#endif  // QUENLO_ENGINE_H_
