// Data file engine figures on files beyond ASCII: 10,000 commands with
// Cyrillic, CJK and accented names in UTF-8 (with the mark, as the engine
// writes them), and the same in the ANSI code page, which is converted once
// per open.
#include <cstdio>

#include "bench.h"
#include "platform/code_page.h"
#include "platform/file_io.h"
#include "store/profile_file.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"
#endif

namespace tvx::bench {
namespace {

struct UnicodeFile {
  std::string path;
  std::vector<std::string> names;    // as stored
  std::vector<std::string> lookups;  // the same names in other letter cases
};

// Names of three scripts; the lookups spell half of them in capitals.
UnicodeFile MakeFile(const std::string& name, bool ansi) {
  UnicodeFile f;
  f.path = ScratchFolder() + name;
  const char* stems[] = {"\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82", "se\xC3\xB1\x61l",
                         "\xE5\xA4\xA7\xE9\x98\xAA", "caf\xC3\xA9"};
  const char* upper[] = {"\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2", "SE\xC3\x91\x41L",
                         "\xE5\xA4\xA7\xE9\x98\xAA", "CAF\xC3\x89"};
  std::string text = ansi ? "" : "\xEF\xBB\xBF";
  text += "[Command]\r\n";
  for (int i = 0; i < 10000; ++i) {
    // The ANSI code page holds only the Latin names.
    const int stem = ansi ? 1 + 2 * (i % 2) : i % 4;
    const std::string number = std::to_string(i * 7919 % 10007);
    f.names.push_back(stems[stem] + number);
    f.lookups.push_back((i % 2 ? upper[stem] : stems[stem]) + number);
    text += f.names.back() + "=C:\\Users\\" + (ansi ? "Jos\xC3\xA9" : "\xD0\x9C\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F") +
            "\\Tool " + std::to_string(i) + "\\app.exe|/option " + std::to_string(i) + "\r\n";
  }
  text += "[Template]\r\nwork=cmd1 cmd2\r\n[Settings]\r\nOSK=0\r\nHideCommand=1\r\n";
  std::string bytes = text;
  if (ansi && !codepage::Utf8ToAnsi(text, bytes)) std::printf("  (the ANSI code page cannot hold the names)\n");
  fileio::WriteFileFlushed(f.path, bytes);
  return f;
}

const UnicodeFile& Utf8File() {
  static UnicodeFile f = MakeFile("unicode.dat", false);
  return f;
}
const UnicodeFile& AnsiFile() {
  static UnicodeFile f = MakeFile("ansi.dat", true);
  return f;
}

#ifdef _WIN32
// The platform's wide profile calls, which read a file with the UTF-8 mark.
long PlatformReadAllWide(const std::string& path) {
  const std::wstring file = win32::Widen(path);
  std::vector<wchar_t> keys(1 << 22);
  DWORD n =
      GetPrivateProfileStringW(L"Command", nullptr, L"", keys.data(), static_cast<DWORD>(keys.size()), file.c_str());
  long count = 0;
  wchar_t value[2048];
  for (DWORD i = 0; i < n && keys[i];) {
    const wchar_t* key = keys.data() + i;
    count += GetPrivateProfileStringW(L"Command", key, L"", value, 2048, file.c_str()) > 0;
    i += static_cast<DWORD>(wcslen(key)) + 1;
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
  return count;
}
#else
long PlatformReadAllWide(const std::string&) { return -1; }
#endif

Register listAndRead("data_file_utf8_list_read", "list 10,000 non-ASCII UTF-8 commands and read every value", [] {
  const auto& f = Utf8File();
  long n = 0;
  double engine = BestMicroseconds(20, [&] {
    store::ProfileFile file(f.path);
    n = 0;
    for (const auto& key : file.ListKeys("Command")) n += !file.ReadString("Command", key).empty();
  });
  Report("engine: open, list, read all (" + std::to_string(n) + " values)", engine);
  long m = 0;
  double platform = BestMicroseconds(1, [&] { m = PlatformReadAllWide(f.path); });
  if (m < 0) {
    std::printf("  (no platform profile calls to compare with here)\n");
    return;
  }
  Report("platform wide profile calls: list, read all (" + std::to_string(m) + " values)", platform);
  ReportRatio("platform / engine", platform / engine, ">= 100");
});

void OpenAndLookUp(const UnicodeFile& f) {
  size_t found = 0;
  std::string bytes;  // kept between reads, as the engine keeps its storage
  auto [raw, engine] = BestMicrosecondsInTurn(
      200, [&] { fileio::ReadWholeFile(f.path, bytes); },
      [&] {
        store::ProfileFile file(f.path);
        for (int i = 0; i < 10; ++i) found += !file.ReadString("Command", f.lookups[i * 997]).empty();
      });
  Report("read the file's bytes", raw);
  Report("engine: open, parse, 10 lookups in other letter cases (" + std::to_string(found / 200) + " found)", engine);
  ReportRatio("engine / raw read", engine / raw, "<= 3");
}

Register openLookup("data_file_utf8_open_lookup", "open the non-ASCII UTF-8 file and look up 10 names",
                    [] { OpenAndLookUp(Utf8File()); });
Register openLookupAnsi("data_file_ansi_open_lookup",
                        "open an accented ANSI file (converted once) and look up 10 names",
                        [] { OpenAndLookUp(AnsiFile()); });

Register durableWrite("data_file_utf8_write", "one durable write of one non-ASCII key in the UTF-8 file", [] {
  const auto& f = Utf8File();
  std::string bytes;
  fileio::ReadWholeFile(f.path, bytes);
  const std::string copy = ScratchFolder() + "unicode-copy.dat";
  int round = 0;
  auto [raw, engine] = BestMicrosecondsInTurn(
      20, [&] { fileio::WriteFileFlushed(copy, bytes); },
      [&] {
        store::ProfileFile file(f.path);
        file.WriteString("Command", f.lookups[5001], "C:\\\xD0\xB8\xD0\xB7\\" + std::to_string(round++) + ".exe|");
      });
  Report("write the same bytes once and flush", raw);
  Report("engine: open, lock, edit, durable replace", engine);
  ReportRatio("engine / flushed write", engine / raw, "<= 2");
});

}  // namespace
}  // namespace tvx::bench
