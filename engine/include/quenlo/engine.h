/* Line-break conversion engine: rewrites every line break of one file, in
   place, with a ".bak" backup beside it while it works. A C header, so that
   any caller can link the engine. */
#ifndef QUENLO_ENGINE_H_
#define QUENLO_ENGINE_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Target style of every line break. */
typedef int32_t LineBreakStyle;
enum {
  kStyleCrLf = 1,
  kStyleCr = 2,
  kStyleLf = 3
};

/* Size of the name buffers, terminator included. A name whose backup name
   ("%s.bak") does not fit is refused rather than truncated. */
enum { kNameBufferSize = 516 };

/* What a conversion came to: one code for each situation, with stable
   numbers. Every failure except kConvertNotRestored leaves the file exactly
   as it was; kConvertFolderNotFlushed comes after the file was converted. */
typedef int32_t ConvertResult;
enum {
  kConvertOk = 0,
  kConvertNotAFile = 1,         /* missing, a directory, a device, a pattern */
  kConvertNameTooLong = 2,      /* the backup name would not fit */
  kConvertStaleBackup = 3,      /* an old backup could not be removed */
  kConvertMoveFailed = 4,       /* the backup could not be made */
  kConvertOpenFailed = 5,       /* the file did not open for reading */
  kConvertReadFailed = 6,
  kConvertWriteFailed = 7,
  kConvertFlushFailed = 8,
  /* 9 is no longer produced and stays taken. */
  kConvertNotRestored = 10,     /* failed, and the original is left as ".bak" */
  kConvertCancelled = 11,       /* the progress callback said stop */
  kConvertBusy = 12,            /* another conversion of the same file is running */
  kConvertInUse = 13,           /* another program holds the file open without sharing */
  kConvertDiskFull = 14,
  kConvertOwnerNotKept = 15,    /* the new file could not get the owner and group */
  kConvertAttributesNotKept = 16, /* nor the extended attributes */
  kConvertBinary = 17,          /* no text (see kModeDetect): refused */
  kConvertWorkFileFailed = 18,  /* the work file could not be made */
  kConvertModeNotKept = 19,     /* nor the permissions */
  kConvertReplaceFailed = 20,   /* the new content could not take the name */
  kConvertNoResources = 21,     /* out of memory, threads or handles */
  kConvertBadStyle = 22,        /* not one of the three styles */
  kConvertFileChanged = 23,     /* another program changed or replaced it meanwhile */
  kConvertBackupNameTooLong = 24, /* "<name>.bak" is over the file system's limit */
  /* Converted, but the folder's new entries may not survive a crash. */
  kConvertFolderNotFlushed = 25,
  kConvertLinkNotTrusted = 26,  /* a link on the way is another user's: not followed */
  /* Failed, and an old backup that could not be put back is left under
     the name in `aside`; the file is as it was. */
  kConvertOldBackupAside = 27,
  /* A killed conversion's original could not be put back from "<name>.bak". */
  kConvertRecoveryFailed = 28,
  /* A folder, or another entry that is no regular file, has the name of its
     work file, of "<name>.bak", or of where an old backup is set aside; it
     is left alone, and the file too. */
  kConvertWorkNotAFile = 30,
  kConvertBackupNotAFile = 31,
  kConvertAsideNotAFile = 32,
  /* kConvertBinary, for a file that looks like UTF-16 without a BOM, which
     kModeBytes would damage. */
  kConvertUtf16NoBom = 33
};

/* The step a conversion was at when it stopped. */
typedef int32_t ConvertStep;
enum {
  kStepNone = 0,
  kStepCheckName = 1,       /* the name, before anything is touched */
  kStepCreateWork = 2,      /* creating the work file */
  kStepOpen = 3,            /* opening the file */
  kStepMetadata = 4,        /* owner, permissions, attributes */
  kStepRead = 5,
  kStepWrite = 6,
  kStepFlush = 7,           /* pushing the work file to the device */
  kStepRemoveStale = 8,     /* removing an old backup */
  kStepMakeBackup = 9,
  kStepTakeName = 10,       /* moving the new content to the name */
  kStepRestore = 11,        /* putting the original back */
  kStepSyncFolder = 12,     /* pushing the folder's entries to the device */
  kStepPutBackOld = 13,     /* putting an old backup back from where it was set aside */
  kStepFollowLink = 14      /* following a symbolic link in the name */
};

/* Size of the name fields of QuenloStatus, terminator included. */
enum { kNamedFileSize = 4096 };

/* What tells one file from another, and whether it changed: the device (or
   volume serial number), the inode (or file index), the size, and the
   modification and change times in the system's own ticks. */
typedef struct QuenloIdentity {
  uint64_t volume;
  uint64_t id;
  int64_t size;
  int64_t modified;
  int64_t changed;
} QuenloIdentity;

/* A conversion's outcome: the result, the step that failed and the
   system's own error there (errno, or the Win32 error on Windows; 0 when
   the system gave none). `recovered` is nonzero when the run first put
   back an original that a killed conversion had left as "<name>.bak".
   The names are the full names of the files the conversion used, as
   messages show them; each is empty until the conversion knew it, and
   where it did not fit. `file` is the file opened under the name, zero
   until it was opened. */
typedef struct QuenloStatus {
  ConvertResult result;
  ConvertStep step;
  int32_t system_error;
  int32_t recovered;
  char backup[kNamedFileSize];
  char work[kNamedFileSize];
  char aside[kNamedFileSize]; /* where an old backup is set aside */
  QuenloIdentity file;
} QuenloStatus;

/* How the content is read. */
typedef int32_t ConvertMode;
enum {
  /* UTF-16 and UTF-32 with a BOM by code unit; any other file by the byte
     rule. Refused as binary (kConvertBinary or kConvertUtf16NoBom): a file
     by the byte rule that starts with "%PDF-" or holds a NUL or another C0
     control byte that text does not use (01-06, 10-19, 1C-1F), and a file
     with a UTF-32 BOM whose units are not all Unicode scalar values. */
  kModeDetect = 0,
  /* The byte rule for the whole file, whatever it holds. */
  kModeBytes = 1
};

/* Called on the converting thread after each buffer, with the bytes of the
   file read so far and its size. Returns nonzero to go on, 0 to cancel; the
   file is then left as it was. To cancel from another thread, have the
   callback read a flag that thread sets. The last call comes once the new
   content is on the device, just before it takes the name; from then on the
   conversion runs to its end. */
typedef int (*ConvertProgress)(void* context, int64_t done, int64_t total);

/* Names are byte strings as the file system takes them on POSIX systems,
   and UTF-8 on Windows. */

/* What a name is to a conversion. */
typedef int32_t NameKind;
enum {
  kNameMissing = 0,      /* nothing by that name */
  kNameNotAFile = 1,     /* a directory, a device, a pattern, no name at all */
  /* An existing regular file, or one whose conversion was killed between
     its two moves (the name absent, its ".bak" and an abandoned work file
     present), which the next conversion recovers first; also a name the
     system could not look at, or a link not followed for its owner, which
     the conversion then reports. */
  kNameConvertible = 2
};

/* The NameKind of the name. */
int quenlo_name_kind(const char* name);

/* 1 when quenlo_name_kind says kNameConvertible. */
int is_existing_file(const char* name);

/* Converts the named file to the style, in kModeDetect. keep_backup nonzero
   keeps the former content as "<name>.bak". A file already in the style is
   left as it is. Returns a ConvertResult. */
int convert_file(LineBreakStyle style, int keep_backup, const char* name);

/* convert_file in the given mode, with a progress callback (may be null)
   and its context, telling what failed, where and why. */
QuenloStatus quenlo_convert(LineBreakStyle style, int keep_backup, ConvertMode mode,
                            const char* name, ConvertProgress progress, void* context);

/* quenlo_convert, refused with kConvertFileChanged, nothing touched, when
   the file opened under the name is not the one `expected` describes (as
   the `file` of an earlier status gave it): another file under the name,
   or the same one changed since. */
QuenloStatus quenlo_convert_same(LineBreakStyle style, int keep_backup, ConvertMode mode,
                                 const char* name, const QuenloIdentity* expected,
                                 ConvertProgress progress, void* context);

/* Writes the name of the backup of `name` into `buffer` (beside the target
   when the name is a symbolic link). Returns 1, or 0 when it does not fit. */
int quenlo_backup_name(const char* name, char* buffer, int size);

/* The same for the work file a conversion of `name` writes. */
int quenlo_work_name(const char* name, char* buffer, int size);

/* Many files in one call: names and folders, as the console's -A and the
   dialog's multiple selection take them. */

/* What to do with each file. */
typedef int32_t BatchAction;
enum {
  kActionConvert = 0,
  kActionCheck = 1,  /* change nothing: tell whether each is in the style */
  kActionInfo = 2    /* change nothing: count its line breaks */
};

/* What became of one file. */
typedef int32_t FileOutcome;
enum {
  kOutcomeConverted = 0,
  kOutcomeAlreadyRight = 1,  /* already in the style (convert or check) */
  /* no text (kModeDetect), found in a folder or by a pattern; its status
     holds the refusal a named file would get */
  kOutcomeSkippedBinary = 2,
  kOutcomeFailed = 3,        /* see its status; the file is as it was */
  kOutcomeWouldChange = 4,   /* check: not in the style */
  kOutcomeCounted = 5,       /* info: counted */
  kOutcomePending = 6        /* progress only: the file is being worked on */
};

/* How a file's text is encoded, as the conversion reads it. */
typedef int32_t TextEncoding;
enum {
  kEncodingBytes = 0,   /* no BOM: the byte rule */
  kEncodingUtf8Bom = 1,
  kEncodingUtf16Le = 2,
  kEncodingUtf16Be = 3,
  kEncodingUtf32Le = 4,
  kEncodingUtf32Be = 5,
  kEncodingBinary = 6   /* no text, as kModeDetect tells it */
};

typedef struct QuenloBatchOptions {
  LineBreakStyle style;
  int32_t keep_backup; /* nonzero keeps "<name>.bak" */
  ConvertMode mode;
  BatchAction action;
} QuenloBatchOptions;

/* One file of a run. Valid only during the callback it is given to. */
typedef struct QuenloFileReport {
  /* As the engine takes names: the name given, or, for a file found in a
     folder, the folder as given joined with the path under it. */
  const char* name;
  int32_t argument;   /* which of the names given led to it, from 0 */
  int64_t index;      /* this file's number in the run, from 1 */
  int64_t found;      /* files found so far, this one included */
  FileOutcome outcome;
  QuenloStatus status;
  /* Line breaks of the file as read (by code unit for UTF-16/32), and its
     encoding: counted by check and info; a conversion leaves them 0. */
  int64_t crlf;
  int64_t lf;
  int64_t cr;
  TextEncoding encoding;
  int64_t size;       /* bytes */
  int32_t named;      /* 1 when the name was given; 0 when found in a folder or by a pattern */
} QuenloFileReport;

/* Called once for every file that is done, in the order of the files, on
   the calling thread. Returns nonzero to go on, 0 to cancel the rest. A
   name given twice, or two names of one file, are reported once. A file
   cancelled midway is reported too, failed with kConvertCancelled, and not
   counted as failed. A converted file is reported only once it and its
   folder are on the device, which is done for a group of files at once:
   reports come in bursts, and on a cancel the files already filled are
   completed first. */
typedef int (*QuenloFileDone)(void* context, const QuenloFileReport* file);

/* Called on the calling thread when a file starts (done 0) and after each
   of its buffers, with outcome kOutcomePending. Returns nonzero to go on,
   0 to cancel: the file in progress is left as it was, those done stay
   done. */
typedef int (*QuenloFileProgress)(void* context, const QuenloFileReport* file, int64_t done,
                                  int64_t total);

typedef struct QuenloBatchSummary {
  int64_t converted;
  int64_t already_right;
  int64_t skipped_binary;
  int64_t failed;       /* including names that are not files */
  int64_t would_change; /* check */
  int64_t counted;      /* info */
  int64_t bytes;        /* read, over all files */
  int32_t cancelled;    /* a callback said stop */
} QuenloBatchSummary;

/* Converts, checks or counts every file `names` leads to, in the order
   given. A folder leads to the regular files under it, recursively, walked
   without following links, skipping names that start with ".", hidden and
   system entries on Windows, and the conversion's own work files and
   backups. On Windows a last name part with '*' or '?' leads to the files
   it matches, sorted; one that matches nothing is reported failed with
   kConvertNotAFile. Either callback may be null; both share `context`. */
QuenloBatchSummary quenlo_convert_many(const char* const* names, int32_t count,
                                       const QuenloBatchOptions* options,
                                       QuenloFileDone report, QuenloFileProgress progress,
                                       void* context);

#ifdef __cplusplus
}
#endif

#endif /* QUENLO_ENGINE_H_ */
