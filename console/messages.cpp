// Each text in UTF-8 and, escaped beside it, in code page 932.
#include "messages.h"

#include "quenlo_version.h"

const char kVersion[] = QUENLO_VERSION;
const char kNotice[] = QUENLO_NOTICE;
const char kBannerFormat[] = "Quenlo Version %s %s";

const quenlo::Text kUsageLines[] = {
    {"Usage : Quenlo [Options] FileName", "Usage : Quenlo [Options] FileName"},
    {"Options", "Options"},
    {"   -W : 改行 Windows形式(CR+LF) [Default]",
     "   -W : \211\374\215s Windows\214`\216\256(CR+LF) [Default]"},
    {"   -M : 改行 Mac形式(CR)",
     "   -M : \211\374\215s Mac\214`\216\256(CR)"},
    {"   -U : 改行 Unix形式(LF)",
     "   -U : \211\374\215s Unix\214`\216\256(LF)"},
    {"   -R : バックアップファイルを残す",
     "   -R : \203o\203b\203N\203A\203b\203v\203t\203@\203C\203\213\202\360\216c\202\267"},
    {"   -S : メッセージを非表示",
     "   -S : \203\201\203b\203Z\201[\203W\202\360\224\361\225\134\216\246"},
};
const std::size_t kUsageLineCount = sizeof(kUsageLines) / sizeof(kUsageLines[0]);

const quenlo::Text kOptionError = {
    "オプション指定が間違っています。",
    "\203I\203v\203V\203\207\203\223\216w\222\350\202\252\212\324\210\341\202\301\202\304\202\242"
    "\202\334\202\267\201B"};

const quenlo::Text kSummaryConverted = {
    "変換: %s  変換不要: %s  ﾊﾞｲﾅﾘのため省略: %s  失敗: %s",
    "\225\317\212\267: %s  \225\317\212\267\225s\227v: %s  \312\336\262\305\330\202\314\202\275\202\337\217\310\227\252: %s  \216\270\224s: %s"};

const quenlo::Text kSummaryChecked = {
    "変換が必要: %s  変換不要: %s  ﾊﾞｲﾅﾘのため省略: %s  失敗: %s",
    "\225\317\212\267\202\252\225K\227v: %s  \225\317\212\267\225s\227v: %s  \312\336\262\305\330\202\314\202\275\202\337\217\310\227\252: %s  \216\270\224s: %s"};

const quenlo::Text kRunInterrupted = {
    "中断しました。",
    "\222\206\222f\202\265\202\334\202\265\202\275\201B"};

const quenlo::Text kWouldChange = {
    "変換が必要です。 CR+LF: %s  LF: %s  CR: %s",
    "\225\317\212\267\202\252\225K\227v\202\305\202\267\201B CR+LF: %s  LF: %s  CR: %s"};
