// Table-driven checks of the dialog program's window-free parts. The
// arguments name Quenlo32.exe, whose version block is read, and Quenlo.exe;
// the manifests of both are read as Windows reads them.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "conversion.h"
#include "file_names.h"
#include "instance.h"
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

// Every result has a message of its own, which names the backup, the work
// file or the old backup set aside exactly when the table says so, as the
// status gives them, and carries the system's reason exactly when there is
// a system error.
void TestReports() {
  static QuenloStatus status;
  std::strcpy(status.backup, "memo.txt.bak");
  std::strcpy(status.work, "memo.txt.~ql");
  std::strcpy(status.aside, "memo.txt.~qb");
  for (int result = kConvertOk; result <= kConvertRecoveryFailed; ++result) {
    const quenlo::ResultMessage& message = quenlo::MessageFor(result);
    if (result != 9) Check(&message != &quenlo::MessageFor(-1), "a message of its own", result);
    for (int error : {0, static_cast<int>(ERROR_ACCESS_DENIED)}) {
      status.result = result;
      status.system_error = error;
      const std::wstring text = ReportFor(status, L"memo.txt", L"完了しました。").text;
      Check((text.find(L"memo.txt.bak") != std::wstring::npos) ==
                (message.names == quenlo::NamedFile::kBackup),
            "names the backup", result);
      Check((text.find(L"memo.txt.~ql") != std::wstring::npos) ==
                (message.names == quenlo::NamedFile::kWork),
            "names the work file", result);
      Check((text.find(L"memo.txt.~qb") != std::wstring::npos) ==
                (message.names == quenlo::NamedFile::kAside),
            "names the old backup", result);
      Check((text.back() == L')') == (error != 0), "the reason", result);
    }
  }
}

void TestNameLists() {
  // The field's text read into names, and the names written back: one name
  // as it is, several each in quotes.
  const struct {
    std::wstring text;
    std::vector<std::wstring> names;
    std::wstring written;  // TextForNames of the names
  } rows[] = {
      {L"C:\\doc\\memo.txt", {L"C:\\doc\\memo.txt"}, L"C:\\doc\\memo.txt"},
      {L"  C:\\my doc\\memo 1.txt ", {L"C:\\my doc\\memo 1.txt"}, L"C:\\my doc\\memo 1.txt"},
      {L" \" C:\\a b.txt \" ", {L"C:\\a b.txt"}, L"C:\\a b.txt"},
      {L"\"C:\\a.txt\" \"C:\\b c.txt\"", {L"C:\\a.txt", L"C:\\b c.txt"},
       L"\"C:\\a.txt\" \"C:\\b c.txt\""},
      {L"\"a.txt\"\"b.txt\"  c.txt", {L"a.txt", L"b.txt", L"c.txt"},
       L"\"a.txt\" \"b.txt\" \"c.txt\""},
      {L"\"a.txt\" \"b.txt", {}, L""},  // a quote left open
      {L"\"a.txt\" \"\"", {}, L""},
      {L"   ", {}, L""},
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    const std::vector<std::wstring> names = NamesInText(r.text);
    Check(names == r.names, "names in the text", row);
    Check(TextForNames(names) == r.written, "text for the names", row);
    Check(NamesInText(TextForNames(names)) == r.names, "names read back", row);
  }
  // A dropped name fits the 516-byte name buffer with its terminator,
  // measured on its code page 932 form.
  const std::wstring a(kNameBufferSize - 1, L'a');
  const struct {
    std::wstring name;
    bool fits;
  } sizes[] = {
      {a, true},
      {a + L"a", false},
      {a.substr(2) + L"\u65e5", true},  // two bytes
      {a.substr(1) + L"\u65e5", false},
      {a.substr(1) + L"\U0001F600", true},  // one '?'
  };
  for (const auto& r : sizes) Check(FitsNameBuffer(r.name) == r.fits, "name fits", ++row);
}

void TestNameForms() {
  const struct {
    const wchar_t* name;
    bool has_utf8;
    const char* utf8;
    std::size_t cp932_length;
    const wchar_t* shown;
  } rows[] = {
      {L"memo.txt", true, "memo.txt", 8, L"memo.txt"},
      {L"caf\u00e9.txt", true, "caf\xc3\xa9.txt", 8, L"caf?.txt"},
      {L"price\u00a5100.txt", true, "price\xc2\xa5" "100.txt", 13, L"price?100.txt"},
      {L"\ud55c\uad6d\uc5b4.txt", true, "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4.txt", 7,
       L"???.txt"},
      {L"\U0001F600memo.txt", true, "\xf0\x9f\x98\x80memo.txt", 9, L"?memo.txt"},
      {L"\U00020BB7\u91ce\u5bb6.txt", true, "\xf0\xa0\xae\xb7\xe9\x87\x8e\xe5\xae\xb6.txt", 9,
       L"?\u91ce\u5bb6.txt"},
      {L"\u65e5\u672c\u8a9e.txt", true, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt", 10,
       L"\u65e5\u672c\u8a9e.txt"},
      {L"\uff8c\uff67\uff72\uff99", true, "\xef\xbe\x8c\xef\xbd\xa7\xef\xbd\xb2\xef\xbe\x99", 4,
       L"\uff8c\uff67\uff72\uff99"},
      {L"a\xd800" L"b.txt", false, "", 7, L"a?b.txt"},
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    std::string utf8;
    std::wstring wide;
    const bool has_utf8 = quenlo::Utf8Form(r.name, &utf8);
    Check(has_utf8 == r.has_utf8 && (!has_utf8 || utf8 == r.utf8), "UTF-8 form", row);
    Check(!has_utf8 || (quenlo::Utf16Form(utf8, &wide) && wide == r.name), "UTF-16 form", row);
    Check(quenlo::CodePage932Form(r.name).size() == r.cp932_length, "code page 932 length", row);
    Check(quenlo::ShownInCodePage932(r.name) == r.shown, "shown in code page 932", row);
  }
  // Bytes that are not UTF-8 name no file: a stray continuation byte, an
  // overlong '/', a surrogate, a cut-off character.
  for (const char* bytes : {"a\x80.txt", "\xc0\xaf", "\xed\xa0\x80", "\xe6\x97"}) {
    std::wstring wide;
    Check(!quenlo::Utf16Form(bytes, &wide), "not UTF-8", ++row);
  }
}

void TestLongPathForms() {
  const std::wstring long_part(300, L'a');
  const struct {
    std::wstring name;
    std::wstring form;
  } rows[] = {
      {L"", L""},
      {L"C:\\doc\\memo.txt", L"C:\\doc\\memo.txt"},
      {L"C:\\" + long_part, L"\\\\?\\C:\\" + long_part},
      {L"C:\\x\\..\\" + long_part, L"\\\\?\\C:\\" + long_part},
      {L"C:/" + long_part, L"\\\\?\\C:\\" + long_part},
      {L"\\\\server\\share\\" + long_part, L"\\\\?\\UNC\\server\\share\\" + long_part},
      {L"\\\\?\\C:\\" + long_part, L"\\\\?\\C:\\" + long_part},
  };
  int row = 0;
  for (const auto& r : rows) Check(quenlo::LongPathForm(r.name) == r.form, "long path form", ++row);
}

void TestCopyData() {
  const std::wstring name = L"C:\\doc\\memo \u00e9.txt";
  const std::wstring unterminated = L"C:\\a.txt";
  const std::wstring embedded(L"C:\\a.txt\0b.txt", 14);
  const std::wstring longest(kNamesLimit, L'x');
  const std::wstring too_long = longest + L'x';
  const COPYDATASTRUCT good = FileNameCopyData(name);
  auto with = [&](ULONG_PTR kind, DWORD bytes, const void* data) {
    COPYDATASTRUCT copy = good;
    copy.dwData = kind;
    copy.cbData = bytes;
    copy.lpData = const_cast<void*>(data);
    return copy;
  };
  const struct {
    COPYDATASTRUCT data;
    bool accepted;
  } rows[] = {
      {good, true},
      {with(good.dwData + 1, good.cbData, good.lpData), false},
      {with(good.dwData, good.cbData - 1, good.lpData), false},
      {with(good.dwData, good.cbData, nullptr), false},
      {with(good.dwData, static_cast<DWORD>(unterminated.size() * 2), unterminated.c_str()),
       false},
      {with(good.dwData, 2, L""), false},
      {with(good.dwData, static_cast<DWORD>(embedded.size() * 2 + 2), embedded.c_str()), false},
      {FileNameCopyData(too_long), false},
      {FileNameCopyData(longest), true},
  };
  int row = 0;
  for (const auto& r : rows) {
    std::wstring received;
    const bool accepted = FileNameFromCopyData(r.data, &received);
    Check(accepted == r.accepted, "file name from WM_COPYDATA", ++row);
    if (accepted && row == 1) Check(received == name, "file name handed over whole", row);
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

struct ActCtxReleaser {
  void operator()(HANDLE context) const { ReleaseActCtx(context); }
};
using ActCtx = std::unique_ptr<void, ActCtxReleaser>;

// The activation context Windows makes from the program's embedded manifest.
ActCtx ManifestContext(const wchar_t* program) {
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = program;
  request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  HANDLE context = CreateActCtxW(&request);
  return ActCtx(context == INVALID_HANDLE_VALUE ? nullptr : context);
}

std::wstring Setting(HANDLE context, const wchar_t* name_space, const wchar_t* name) {
  wchar_t value[64] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, context, name_space, name, value, 64, &written)) return L"";
  return value;
}

// Whether the context binds the named assembly in a version that starts
// with `version` (the manifest asks for 6.0.0.0; Windows binds 6.0.x.y).
bool BindsAssembly(HANDLE context, const wchar_t* name, const wchar_t* version) {
  SIZE_T size = 0;
  QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, nullptr, 0, &size);
  std::vector<unsigned char> details(size);
  if (size < sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION) ||
      !QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, details.data(),
                    details.size(), nullptr)) {
    return false;
  }
  const DWORD count =
      reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(details.data())
          ->ulAssemblyCount;
  for (DWORD index = 1; index <= count; ++index) {
    SIZE_T needed = 0;
    QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0,
                 &needed);
    std::vector<unsigned char> buffer(needed);
    if (needed == 0 ||
        !QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext,
                      buffer.data(), buffer.size(), nullptr)) {
      continue;
    }
    const auto* assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    const std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity
                                      ? assembly->lpAssemblyEncodedAssemblyIdentity
                                      : L"";
    if (identity.rfind(std::wstring(name) + L",", 0) == 0 &&
        identity.find(std::wstring(L"version=\"") + version) != std::wstring::npos) {
      return true;
    }
  }
  return false;
}

// A resource of the program, as its bytes.
std::string ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* id) {
  HRSRC found = FindResourceW(module, id, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  if (!loaded) return "";
  return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
}

// The manifest's text as embedded. Its supportedOS entries are read from
// the text: the layout Windows reports them in differs between versions.
std::string ManifestText(const wchar_t* program) {
  HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return "";
  std::string text = ResourceBytes(module, RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
  FreeLibrary(module);
  return text;
}

bool RunsAsInvoker(HANDLE context) {
  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
  return QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level,
                      sizeof level, nullptr) &&
         level.RunLevel == ACTCTX_RUN_LEVEL_AS_INVOKER && level.UiAccess == 0;
}

// Width, height and bits per pixel of one icon image: a PNG (8-bit RGBA
// counts as 32 bits) or a DIB whose height covers the image and its mask.
struct IconImage {
  int width = 0;
  int height = 0;
  int bits = 0;
};

IconImage DescribeIconImage(const std::string& data) {
  IconImage image;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
  auto big_endian = [&](std::size_t at) {
    return bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
  };
  if (data.size() >= 26 && data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    image.width = big_endian(16);
    image.height = big_endian(20);
    image.bits = bytes[24] == 8 && bytes[25] == 6 ? 32 : 0;
  } else if (data.size() >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    image.width = header.biWidth;
    image.height = header.biHeight / 2;
    image.bits = header.biBitCount;
  }
  return image;
}

// Icon 128 offers an image of every size the shell asks for, and Windows
// can make an icon of each.
void TestIconImages(const wchar_t* program) {
  HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Check(module != nullptr, "program loads as data", 1);
  if (!module) return;
  const std::string group = ResourceBytes(module, RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME));
  const struct {
    int size;
    int bits;
  } rows[] = {{16, 4}, {32, 4}, {48, 32}, {256, 32}};
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    const int id = group.empty() ? 0
                                 : LookupIconIdFromDirectoryEx(
                                       reinterpret_cast<BYTE*>(const_cast<char*>(group.data())),
                                       TRUE, r.size, r.size, LR_DEFAULTCOLOR);
    std::string data = ResourceBytes(module, RT_ICON, MAKEINTRESOURCEW(id));
    const IconImage image = DescribeIconImage(data);
    Check(image.width == r.size && image.height == r.size, "icon image size", row);
    Check(image.bits == r.bits, "icon image colour depth", row);
    HICON icon = data.empty() ? nullptr
                              : CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&data[0]),
                                                         static_cast<DWORD>(data.size()), TRUE,
                                                         0x00030000, r.size, r.size, 0);
    Check(icon != nullptr, "icon image usable", row);
    if (icon) DestroyIcon(icon);
  }
  FreeLibrary(module);
}

void TestManifest(const wchar_t* program, int row) {
  const ActCtx context = ManifestContext(program);
  Check(context != nullptr, "manifest embedded and well-formed", row);
  if (!context) return;

  const wchar_t kSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  const wchar_t kSettings2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  const struct {
    const wchar_t* name_space;
    const wchar_t* name;
    const wchar_t* value;
  } settings[] = {
      {kSettings2005, L"dpiAware", L"true"},
      {kSettings2016, L"dpiAwareness", L"PerMonitorV2, System"},
      {kSettings2016, L"longPathAware", L"true"},
  };
  for (const auto& s : settings) {
    const bool ok = Setting(context.get(), s.name_space, s.name) == s.value;
    Check(ok, "manifest setting", row);
    if (!ok) std::printf("  %s\n", Utf8(s.name).c_str());
  }
  Check(BindsAssembly(context.get(), L"Microsoft.Windows.Common-Controls", L"6."),
        "manifest asks for Common Controls 6", row);
  Check(RunsAsInvoker(context.get()), "manifest runs as invoker", row);

  // Windows 7, 8, 8.1, and 10 and 11.
  const char* const systems[] = {
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
  };
  const std::string text = ManifestText(program);
  for (const char* system : systems) {
    Check(text.find(std::string("<supportedOS Id=\"") + system + "\"/>") != std::string::npos,
          "manifest lists a supported Windows", row);
  }
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    std::printf("usage: dialog_parts_tests <Quenlo32.exe> <Quenlo.exe>\n");
    return 2;
  }
  TestReports();
  TestNameLists();
  TestNameForms();
  TestLongPathForms();
  TestCopyData();
  TestKeyboardFilter();
  TestPrefixes();
  TestMemoryLines();
  TestVersionTexts(argv[1]);
  TestIconImages(argv[1]);
  TestManifest(argv[1], 1);
  TestManifest(argv[2], 2);
  LocalFree(argv);
  std::printf("%s\n", g_failures ? "FAILED" : "passed");
  return g_failures ? 1 : 0;
}
