// Table-driven checks of the dialog program's window-free parts. The first
// argument names a Quenlo32.exe whose version block is read.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "conversion.h"
#include "drop_names.h"
#include "keyboard_filter.h"
#include "quenlo_version.h"
#include "resources/resource.h"
#include "version_texts.h"

namespace {

int g_failures = 0;

void Check(bool ok, const char* what, int row) {
  if (ok) return;
  ++g_failures;
  std::printf("FAILED: %s (row %d)\n", what, row);
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  std::string out(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &out[0], static_cast<int>(out.size()),
                      nullptr, nullptr);
  return out;
}

void TestStyles() {
  const struct {
    int button;
    LineBreakStyle style;
  } rows[] = {
      {IDC_STYLE_CRLF, kStyleCrLf},
      {IDC_STYLE_LF, kStyleLf},
      {IDC_STYLE_CR, kStyleCr},
  };
  int row = 0;
  for (const auto& r : rows) Check(StyleForButton(r.button) == r.style, "style for button", ++row);
}

void TestReports() {
  const struct {
    int result;
    unsigned message_id;
    bool failed;
    bool names_backup;
  } rows[] = {
      {kConvertOk, IDS_DONE, false, false},
      {kConvertNotAFile, IDS_BAD_NAME, true, false},
      {kConvertNameTooLong, IDS_BAD_NAME, true, false},
      {kConvertStaleBackup, IDS_STALE_BACKUP, true, false},
      {kConvertMoveFailed, IDS_MOVE_FAILED, true, false},
      {kConvertOpenFailed, IDS_OPEN_FAILED, true, false},
      {kConvertReadFailed, IDS_READ_FAILED, true, false},
      {kConvertWriteFailed, IDS_WRITE_FAILED, true, false},
      {kConvertFlushFailed, IDS_FLUSH_FAILED, true, false},
      {kConvertCloseFailed, IDS_CLOSE_FAILED, true, false},
      {kConvertNotRestored, IDS_NOT_RESTORED, true, true},
      {-1, IDS_CONVERT_FAILED, true, false},
      {99, IDS_CONVERT_FAILED, true, false},
  };
  int row = 0;
  for (const auto& r : rows) {
    const ConvertReport report = ReportFor(r.result);
    ++row;
    Check(report.message_id == r.message_id, "report message", row);
    Check(report.failed == r.failed, "report kind", row);
    Check(report.names_backup == r.names_backup, "report names the backup", row);
  }
}

void TestDropNames() {
  const std::string longest(kDropBufferSize - 1, 'a');
  const struct {
    std::vector<std::string> names;
    std::string joined;
  } rows[] = {
      {{"C:\\doc\\memo.txt"}, "C:\\doc\\memo.txt"},
      {{"C:\\a.txt", "C:\\b.txt"}, "C:\\a.txtC:\\b.txt"},
      {{longest}, longest},
      {{longest + "a"}, ""},
      {{longest, "b"}, longest},
      {{std::string(200, 'x'), std::string(100, 'y'), "z"}, std::string(200, 'x') + "z"},
      {{}, ""},
  };
  int row = 0;
  for (const auto& r : rows) {
    std::string joined;
    for (const std::string& name : r.names) AppendDroppedName(joined, name);
    Check(joined == r.joined, "dropped names", ++row);
    Check(joined.size() < kDropBufferSize, "dropped names fit", row);
  }
}

void TestKeyboardFilter() {
  const struct {
    UINT message;
    WPARAM key;
    bool swallowed;
  } rows[] = {
      {WM_KEYDOWN, VK_RETURN, true},  {WM_KEYDOWN, VK_ESCAPE, true},
      {WM_KEYUP, VK_RETURN, false},   {WM_KEYUP, VK_ESCAPE, false},
      {WM_CHAR, '\r', false},         {WM_CHAR, 0x1B, false},
      {WM_KEYDOWN, VK_TAB, false},    {WM_KEYDOWN, VK_SPACE, false},
      {WM_SYSKEYDOWN, VK_RETURN, false},
  };
  int row = 0;
  for (const auto& r : rows) {
    MSG message{};
    message.message = r.message;
    message.wParam = r.key;
    Check(IsSwallowedKey(message) == r.swallowed, "keyboard filter", ++row);
  }
}

void TestPrefixes() {
  const unsigned char japanese[] = {0x11, 0x04, 0xB0, 0x04};
  const unsigned char english[] = {0x09, 0x04, 0xE4, 0x04};
  const unsigned char two_pairs[] = {0x11, 0x04, 0xB0, 0x04, 0x09, 0x04, 0xE4, 0x04};
  const struct {
    const unsigned char* value;
    std::size_t length;
    const wchar_t* prefix;
  } rows[] = {
      {japanese, 4, L"\\StringFileInfo\\041104b0\\"},
      {english, 4, L"\\StringFileInfo\\040904e4\\"},
      {two_pairs, 8, L"\\StringFileInfo\\040904E4\\"},
      {japanese, 2, L"\\StringFileInfo\\040904E4\\"},
      {nullptr, 0, L"\\StringFileInfo\\040904E4\\"},
  };
  int row = 0;
  for (const auto& r : rows)
    Check(StringFileInfoPrefix(r.value, r.length) == r.prefix, "string table prefix", ++row);
}

void TestMemoryLines() {
  const struct {
    unsigned long long bytes;
    const wchar_t* line;
  } rows[] = {
      {512ull << 20, L"524288 KB"},
      {(4ull << 30) - 1, L"4194303 KB"},
      {8ull << 30, L"8388608 KB"},  // beyond what a 32-bit byte count can hold
      {1023, L"0 KB"},
  };
  int row = 0;
  for (const auto& r : rows)
    Check(MemoryLine(L"%lu KB", r.bytes).str() == r.line, "memory line", ++row);
}

void TestVersionTexts(const wchar_t* program) {
  const VersionTexts own = ReadVersionTexts(program);
  Check(Utf8(own.version.str()) == "Quenlo32 改行ｺｰﾄﾞ変換ﾂｰﾙ Version " QUENLO_VERSION_TEXT,
        "version line of Quenlo32", 1);
  Check(own.notice.str() == L"" QUENLO_NOTICE, "notice of Quenlo32", 1);

  // This test program's block lacks the product version and the notice.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const VersionTexts partial = ReadVersionTexts(self);
  Check(partial.version.IsEmpty(), "version line without ProductVersion", 2);
  Check(partial.notice.IsEmpty(), "notice without LegalCopyright", 2);

  const VersionTexts missing = ReadVersionTexts(L"C:\\windows\\no such program.exe");
  Check(missing.version.IsEmpty() && missing.notice.IsEmpty(), "no version block", 3);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) {
    std::printf("usage: dialog_parts_tests <Quenlo32.exe>\n");
    return 2;
  }
  TestStyles();
  TestReports();
  TestDropNames();
  TestKeyboardFilter();
  TestPrefixes();
  TestMemoryLines();
  TestVersionTexts(argv[1]);
  LocalFree(argv);
  std::printf("%s\n", g_failures ? "FAILED" : "passed");
  return g_failures ? 1 : 0;
}
