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
  switch (result) {
    case kConvertOk:
      return {IDS_DONE, false, false};
    // The engine's own refusals: a pattern, a directory with more than the
    // directory attribute, or a name too long for its backup name.
    case kConvertNotAFile:
    case kConvertNameTooLong:
      return {IDS_BAD_NAME, true, false};
    case kConvertStaleBackup:
      return {IDS_STALE_BACKUP, true, false};
    case kConvertMoveFailed:
      return {IDS_MOVE_FAILED, true, false};
    case kConvertOpenFailed:
      return {IDS_OPEN_FAILED, true, false};
    case kConvertReadFailed:
      return {IDS_READ_FAILED, true, false};
    case kConvertWriteFailed:
      return {IDS_WRITE_FAILED, true, false};
    case kConvertFlushFailed:
      return {IDS_FLUSH_FAILED, true, false};
    case kConvertCloseFailed:
      return {IDS_CLOSE_FAILED, true, false};
    case kConvertNotRestored:
      return {IDS_NOT_RESTORED, true, true};
    default:
      return {IDS_CONVERT_FAILED, true, false};
  }
}
