// Compiled with code page 932 as the execution character set: the source
// stays UTF-8, the program's bytes are Shift_JIS. messages_utf8.cpp
// includes this file to build the UTF-8 set from the same texts, so it
// must include nothing that messages_utf8.cpp does not include first.
#include "messages.h"

#include "quenlo/engine.h"
#include "quenlo_version.h"

const char kVersion[] = QUENLO_VERSION;
const char kNotice[] = QUENLO_NOTICE;
const char kBannerFormat[] = "Quenlo Version %s %s";

const char* const kUsageLines[] = {
    "Usage : Quenlo [Options] FileName",
    "Options",
    "   -W : 改行 Windows形式(CR+LF) [Default]",
    "   -M : 改行 Mac形式(CR)",
    "   -U : 改行 Unix形式(LF)",
    "   -R : バックアップファイルを残す",
    "   -S : メッセージを非表示",
};
const std::size_t kUsageLineCount = sizeof(kUsageLines) / sizeof(kUsageLines[0]);

const char kOptionError[] = "オプション指定が間違っています。";
const char kNameError[] = "変換するﾌｧｲﾙ名が正しく指定されていません。";
const char kDoneFormat[] = "%s ... Done.";

const char* failure_format(int result) {
  switch (result) {
    case kConvertStaleBackup:
      return "%s ... 古いバックアップファイルを削除できません。変換しませんでした。";
    case kConvertMoveFailed:
      return "%s ... バックアップファイルを作成できません。変換しませんでした。";
    case kConvertOpenFailed:
      return "%s ... ﾌｧｲﾙを開けません。元のﾌｧｲﾙに戻しました。";
    case kConvertReadFailed:
      return "%s ... 読み込みに失敗しました。元のﾌｧｲﾙに戻しました。";
    case kConvertWriteFailed:
      return "%s ... 書き込みに失敗しました。元のﾌｧｲﾙに戻しました。";
    case kConvertFlushFailed:
      return "%s ... ディスクへの書き込みに失敗しました。元のﾌｧｲﾙに戻しました。";
    case kConvertNotRestored:
      return "%s ... 変換に失敗しました。元のﾌｧｲﾙは %s に残っています。";
    case kConvertCancelled:
      return "%s ... 中断しました。ﾌｧｲﾙは変更していません。";
    case kConvertBusy:
      return "%s ... 別の変換がこのﾌｧｲﾙを処理中です。ﾌｧｲﾙは変更していません。";
    case kConvertInUse:
      return "%s ... ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑで使用中です。ﾌｧｲﾙは変更していません。";
    case kConvertDiskFull:
      return "%s ... ディスクの空き容量が足りません。ﾌｧｲﾙは変更していません。";
    case kConvertOwnerNotKept:
      return "%s ... ﾌｧｲﾙの所有者とグループを保てません。ﾌｧｲﾙは変更していません。";
    case kConvertAttributesNotKept:
      return "%s ... ﾌｧｲﾙの拡張属性を保てません。ﾌｧｲﾙは変更していません。";
    case kConvertBinary:
      return "%s ... NULﾊﾞｲﾄを含むため変換しませんでした。"
             "ﾊﾞｲﾅﾘかBOMのないUTF-16の可能性があります。-B を指定すると変換します。";
    default:
      return "%s ... 変換に失敗しました。";
  }
}

// Declared in messages.h, so this set has external linkage.
const Messages kMessages = {
    kVersion,     kNotice,    kBannerFormat, kUsageLines,    kUsageLineCount,
    kOptionError, kNameError, kDoneFormat,   failure_format,
};
