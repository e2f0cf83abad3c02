#include "conversion.h"

#include "resources/resource.h"

LineBreakStyle StyleForButton(int button_id) {
  switch (button_id) {
    case IDC_STYLE_LF:
      return kStyleLf;
    case IDC_STYLE_CR:
      return kStyleCr;
    default:
      return kStyleCrLf;
  }
}

ConvertReport ReportFor(int result) {
  constexpr ReportKind kFailed = ReportKind::kFailed;
  switch (result) {
    case kConvertOk:
      return {IDS_DONE, ReportKind::kDone, false};
    // The engine's own refusals: a pattern, a directory with more than the
    // directory attribute, or a name too long for its backup name.
    case kConvertNotAFile:
    case kConvertNameTooLong:
      return {IDS_BAD_NAME, kFailed, false};
    case kConvertStaleBackup:
      return {IDS_STALE_BACKUP, kFailed, false};
    case kConvertMoveFailed:
      return {IDS_MOVE_FAILED, kFailed, false};
    case kConvertOpenFailed:
      return {IDS_OPEN_FAILED, kFailed, false};
    case kConvertReadFailed:
      return {IDS_READ_FAILED, kFailed, false};
    case kConvertWriteFailed:
      return {IDS_WRITE_FAILED, kFailed, false};
    case kConvertFlushFailed:
      return {IDS_FLUSH_FAILED, kFailed, false};
    case kConvertNotRestored:
      return {IDS_NOT_RESTORED, kFailed, true};
    // A file with a NUL byte is left as it was; it is reported only when a
    // cancel came first, so the question whether to convert it is not asked.
    case kConvertCancelled:
    case kConvertBinary:
      return {IDS_CANCELLED, ReportKind::kCancelled, false};
    case kConvertBusy:
      return {IDS_BUSY, kFailed, false};
    case kConvertInUse:
      return {IDS_IN_USE, kFailed, false};
    case kConvertDiskFull:
      return {IDS_DISK_FULL, kFailed, false};
    case kConvertOwnerNotKept:
    case kConvertAttributesNotKept:
      return {IDS_NOT_KEPT, kFailed, false};
    default:
      return {IDS_CONVERT_FAILED, kFailed, false};
  }
}
