// The data file engine against the system's own profile calls, on a corpus of
// awkward files: the same values, the same key lists and, for writes, the
// same content. Where the engine deliberately differs, a test names it.
#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"
#include "store/file_encoding.h"
#include "store/profile_file.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// The system's side speaks UTF-16; both sides are compared in UTF-8.
std::vector<std::string> SplitZeros(const std::vector<wchar_t>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::wstring s(buf.data() + i);
    out.push_back(win32::Narrow(s));
    i += static_cast<DWORD>(s.size()) + 1;
  }
  return out;
}

// One large buffer for every call: the system must never cut anything here.
std::vector<wchar_t>& Buffer() {
  static std::vector<wchar_t> buf(1 << 20);
  return buf;
}

// A null pointer for a missing text, as the profile calls take it.
struct Wide {
  explicit Wide(const char* s) : text(s ? win32::Widen(s) : std::wstring()), null(!s) {}
  explicit Wide(const std::string& s) : text(win32::Widen(s)) {}
  const wchar_t* get() const { return null ? nullptr : text.c_str(); }
  std::wstring text;
  bool null = false;
};

std::vector<std::string> PlatformList(const std::string& path, const std::string& section) {
  auto& buf = Buffer();
  DWORD n = GetPrivateProfileStringW(Wide(section).get(), nullptr, L"", buf.data(), static_cast<DWORD>(buf.size()),
                                     Wide(path).get());
  return SplitZeros(buf, n);
}

std::string PlatformRead(const std::string& path, const std::string& section, const std::string& key) {
  auto& buf = Buffer();
  GetPrivateProfileStringW(Wide(section).get(), Wide(key).get(), L"", buf.data(), static_cast<DWORD>(buf.size()),
                           Wide(path).get());
  return win32::Narrow(buf.data());
}

// Everything the system reads from a file: each section with its lines.
std::string PlatformDump(const std::string& path) {
  static std::vector<wchar_t> names(1 << 20), lines(1 << 20);
  std::string dump;
  DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), Wide(path).get());
  for (const auto& s : SplitZeros(names, n)) {
    dump += "[" + s + "]\n";
    DWORD m =
        GetPrivateProfileSectionW(Wide(s).get(), lines.data(), static_cast<DWORD>(lines.size()), Wide(path).get());
    for (const auto& l : SplitZeros(lines, m)) dump += l + "\n";
  }
  return dump;
}

bool PlatformWrite(const std::string& path, const char* section, const char* key, const char* value) {
  BOOL ok = WritePrivateProfileStringW(Wide(section).get(), Wide(key).get(), Wide(value).get(), Wide(path).get());
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path).get());
  return ok != 0;
}

// Names and values outside the Western-European code page: Cyrillic, CJK.
const std::string kCommand = "\xD0\x9A\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD\xD0\xB4\xD0\xB0";  // Команда
const std::string kProject = "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82";          // проект
const std::string kProjectUpper = "\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2";     // ПРОЕКТ
const std::string kOsaka = "\xE5\xA4\xA7\xE9\x98\xAA";                                    // 大阪

std::string Utf16(const std::string& text) {
  const std::wstring w = win32::Widen(text);
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
}

struct Corpus {
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
  Corpus() {
    auto add = [&](std::string name, std::string bytes) { files.emplace_back(std::move(name), std::move(bytes)); };
    add("plain", "[A]\r\nx=1\r\ny=2\r\n");
    add("example",
        "[Command]\r\nn=notepad.exe|\r\ncp=Rundll32.exe|Shell32.dll,Control_RunDLL\r\n[Template]\r\n"
        "work=n cp\r\n[Settings]\r\nOSK=0\r\nHideCommand=1\r\n");
    add("empty", "");
    add("only-blank-lines", "\r\n\r\n  \r\n");
    add("no-final-line-end", "[A]\r\nx=1\r\ny=2");
    add("header-only", "[A]");
    add("lf-only", "[A]\nx=1\ny=2\n[B]\nz=3\n");
    add("cr-only", "[A]\rx=1\ry=2\r[B]\rz=3\r");
    add("mixed-ends", "[A]\r\nx=1\ny=2\rz=3\r\n\r\r\n[B]\nq=1");
    add("blank-lines", "\r\n[A]\r\n\r\nx=1\r\n\r\n\r\n[B]\r\n\r\ny=2\r\n\r\n");
    add("comments", "; top\r\n[A]\r\n; about x\r\nx=1\r\n;c=2\r\n# hash=3\r\n");
    add("comment-last", "[A]\r\nx=1\r\n; trailing\r\n\r\n[B]\r\ny=1\r\n");
    add("spaces-around", "  [A]  \r\n   x   =   1   \r\n\ty\t=\t2\t\r\n");
    add("section-blanks", "[ A ]\r\nx=1\r\n[  B  ]\r\ny=2\r\n");
    add("section-trailing-text", "[A] text after\r\nx=1\r\n");
    add("nested-brackets", "[[A]]\r\nx=1\r\n[a]b]\r\ny=2\r\n");
    add("invalid-header", "[A]\r\n[B\r\nx=1\r\n");
    add("quotes-double", "[A]\r\nx=\"quoted\"\r\ny=\" spaced \"\r\nz=\"a\"|b\r\n");
    add("quotes-single", "[A]\r\nx='q'\r\ny='mixed\"\r\nz='\r\nw=''\r\n");
    add("quoted-keys", "[A]\r\n\"x\"=1\r\n'y'=2\r\n");
    add("no-equals", "[A]\r\nbare\r\nx=1\r\nother line\r\n");
    add("empty-values", "[A]\r\nx=\r\ny=  \r\nz=\"\"\r\n");
    add("equals-in-value", "[A]\r\nx=a=b=c\r\ny==\r\n");
    add("dup-keys", "[A]\r\nx=1\r\nX=2\r\nx=3\r\n");
    add("dup-sections", "[A]\r\nx=1\r\n[B]\r\ny=1\r\n[a]\r\nx=2\r\nz=3\r\n");
    add("case-mix", "[cOmMaNd]\r\nNoTePaD=notepad.exe|\r\n");
    add("keys-before-section", "x=1\r\ny=2\r\n[A]\r\nz=3\r\n");
    add("high-bytes", "[A]\r\n\xc4pfel=\xe9t\xe9\r\n\xfc=1\r\nk=\xa0v\xa0\r\n");
    add("control-chars", "[A]\r\nx=\x01v\x01\r\ny=\x0bv\x0c\r\nz=\x1av\x1a\r\n");
    add("tabs", "[A]\r\n\tx=\t1\r\n");
    add("utf8-bom", "\xef\xbb\xbf[A]\r\nx=1\r\n");
    const std::string unicode = "[A]\r\nx=1\r\n\xC3\x84pfel=\xC3\xA9t\xC3\xA9\r\n\xD0\x96=\xD0\xB6\r\n[" + kCommand +
                                "]\r\n" + kProject + "=C:\\\xD0\x9C\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F\\" + kOsaka +
                                ".xlsx|\r\n";
    add("utf8-bom-unicode", "\xef\xbb\xbf" + unicode);
    add("utf8-bom-unicode-lf", "\xef\xbb\xbf" + text::ReplaceAll(unicode, "\r\n", "\n"));
    add("utf16", Utf16(unicode));
    add("utf16-plain", Utf16("[A]\r\nx=1\r\ny=2\r\n"));
    add("long-value", "[A]\r\nx=" + std::string(5000, 'v') + "\r\ny=2\r\n");
    add("long-line-no-equals", "[A]\r\n" + std::string(3000, 'k') + "\r\nx=1\r\n");
    std::string many = "[A]\r\n";
    for (int i = 0; i < 1500; ++i) many += "a-rather-long-command-name-" + std::to_string(i) + "=x\r\n";
    add("many-keys", many);
    add("paths",
        "[Command]\r\nwin=%windir%|\r\nreg=HKLM>>Software\\X>>Path|\r\nsp=C:\\Program Files\\X\\x.exe|/a /b\r\n");
    add("value-with-pipes", "[Command]\r\nx=a|b|c\r\ny=|only params\r\n");
    add("sections-many", "[A]\r\n[B]\r\n[C]\r\nx=1\r\n[D]\r\n");
    add("trailing-blanks-value", "[A]\r\nx=1   \r\ny=   \r\n");
    add("semicolon-value", "[A]\r\nx=a;b\r\n");
    // The same files with other line ends.
    for (const char* base : {"plain", "comments", "dup-sections", "blank-lines"}) {
      std::string bytes;
      for (auto& f : files)
        if (f.first == base) bytes = f.second;
      std::string lf, cr;
      for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
          lf += '\n';
          cr += '\r';
          ++i;
        } else {
          lf += bytes[i];
          cr += bytes[i];
        }
      }
      add(std::string(base) + "-lf", lf);
      add(std::string(base) + "-cr", cr);
    }
  }
};

class DifferentialTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  int counter = 0;
  // Every file gets a name of its own: the system caches files by name.
  std::string Fresh(const std::string& bytes) {
    std::string p = dir.File("f" + std::to_string(counter++) + ".ini");
    WriteFileBytes(p, bytes);
    return p;
  }
  // What the system makes of the file when it writes it out itself.
  std::string Normalized(const std::string& bytes) {
    std::string p = Fresh(bytes);
    PlatformWrite(p, "Zz-probe", "k", "v");
    PlatformWrite(p, "Zz-probe", "k", nullptr);
    std::string out = ReadFileBytes(p);
    // The probe section stays behind as an empty header.
    return out.substr(0, out.rfind("[Zz-probe]\r\n"));
  }
};

// Names beyond ASCII in other letter cases than the corpus spells them.
const std::vector<std::pair<std::string, std::string>> kOtherCases = {
    {"\xC3\xA4pfel", "\xC3\x84pfel"},                                         // äpfel
    {"\xD0\xB6", "\xD0\x96"},                                                 // ж
    {kProjectUpper, kProject},                                                // ПРОЕКТ
    {"\xD0\x9A\xD0\x9E\xD0\x9C\xD0\x90\xD0\x9D\xD0\x94\xD0\x90", kCommand}};  // КОМАНДА

std::string AsSpelled(const std::string& name) {
  for (const auto& [other, spelled] : kOtherCases)
    if (name == other) return spelled;
  return name;
}

const std::vector<std::string> kSections = {
    "A",  "a",   " A ", "B",  "Command", "command",
    "[A", "a]b", "",    "Zz", kCommand,  "\xD0\x9A\xD0\x9E\xD0\x9C\xD0\x90\xD0\x9D\xD0\x94\xD0\x90"};

TEST_F(DifferentialTest, ReadsGiveTheSameValuesAndKeyLists) {
  Corpus corpus;
  ASSERT_GE(corpus.files.size(), 40u);
  for (const auto& [name, bytes] : corpus.files) {
    std::string p = Fresh(bytes);
    ProfileFile engine(p);
    for (const auto& s : kSections) {
      // The empty name finds other lines in Wine here (see
      // DifferenceAnEmptySectionNameFindsTheSectionWrittenWithEmptyBrackets).
      if (s.empty() && name == "keys-before-section") continue;
      // Difference by design: the engine matches the cases of every letter,
      // as Windows does; Wine's profile calls fold ASCII letters only. A
      // name in other cases is asked of the system in the file's spelling.
      auto platformKeys = PlatformList(p, AsSpelled(s));
      // The system's list is cut at an empty key; none of these files has one.
      EXPECT_EQ(engine.ListKeys(s), platformKeys) << name << " [" << s << "]";
      std::vector<std::string> keys = platformKeys;
      for (const char* k : {"x", "X", " x ", "y", "z", "missing", "bare", ";c", "\"x\"", "'y'", "notepad"})
        keys.push_back(k);
      for (const auto& [other, spelled] : kOtherCases) keys.push_back(other);
      for (const auto& k : keys)
        EXPECT_EQ(engine.ReadString(s, k), PlatformRead(p, AsSpelled(s), AsSpelled(k)))
            << name << " [" << s << "] " << k;
    }
  }
}

TEST_F(DifferentialTest, WritesGiveTheSameContentAndTheSameBytesWhereTheFileWasCanonical) {
  struct Op {
    const char *section, *key, *value;
  } ops[] = {{"A", "x", "changed"},
             {"A", "new", "v"},
             {"Brand", "k", "v"},
             {"a", "X", "  spaced  "},
             {"Command", "n", "b.exe|"},
             {"A", "bare", "now set"},
             {"A", "x", nullptr},
             {"a", "Y", nullptr},
             {"A", "x", "1"},
             {"B", "\"q\"", "'q'"},
             {"A", "\xC3\xA9", "\xC3\xBC"},
             {"A", "\xD0\x96", "\xD0\x96\xD0\x96"},
             {kCommand.c_str(), kProject.c_str(), kOsaka.c_str()}};
  Corpus corpus;
  int canonical = 0;
  for (const auto& [name, bytes] : corpus.files) {
    bool isCanonical = Normalized(bytes) == bytes;
    canonical += isCanonical;
    // The system writes an ANSI file in the ANSI code page whatever the text,
    // the engine as UTF-8 where the code page cannot hold it (named below);
    // it reads mark-less UTF-8 as ANSI, the engine as UTF-8.
    const bool unicodeFile = bytes.starts_with(kUtf8Mark) || bytes.starts_with("\xFF\xFE");
    std::string ansi;
    for (const auto& op : ops) {
      const std::string text = std::string(op.section) + op.key + (op.value ? op.value : "");
      if (!unicodeFile && !codepage::Utf8ToAnsi(text, ansi)) continue;
      std::string e = Fresh(bytes), p = Fresh(bytes);
      {
        ProfileFile engine(e);
        if (op.value)
          engine.WriteString(op.section, op.key, op.value);
        else
          engine.DeleteKey(op.section, op.key);
      }
      PlatformWrite(p, op.section, op.key, op.value);
      std::string what = name + " " + op.section + "/" + op.key + "=" + (op.value ? op.value : "(delete)");
      EXPECT_EQ(PlatformDump(e), PlatformDump(p)) << what;
      // Difference by design: the engine keeps the bytes of lines it does not
      // change, where the system rewrites the whole file in its own layout.
      // On a file already in that layout both give the same bytes.
      if (isCanonical && (unicodeFile || utf8::IsAscii(text))) {
        EXPECT_EQ(ReadFileBytes(e), ReadFileBytes(p)) << what;
      }
    }
  }
  EXPECT_GE(canonical, 8);
}

// The differences by design, each against what the system does.

TEST_F(DifferentialTest, DifferenceNothingIsCutToTheSystemsBufferSizes) {
  Corpus corpus;
  for (const auto& [name, bytes] : corpus.files) {
    if (name != "many-keys" && name != "long-value") continue;
    std::string p = Fresh(bytes);
    ProfileFile engine(p);
    std::vector<wchar_t> buf(16384);
    DWORD n = GetPrivateProfileStringW(L"A", nullptr, L"", buf.data(), 16384, Wide(p).get());
    auto cut = SplitZeros(buf, n);
    std::vector<wchar_t> value(2048);
    GetPrivateProfileStringW(L"A", L"x", L"", value.data(), 2048, Wide(p).get());
    if (name == "many-keys") {
      EXPECT_LT(cut.size(), 1500u);  // the system's 16,384-byte list ends early
      EXPECT_EQ(engine.ListKeys("A").size(), 1500u);
    } else {
      EXPECT_EQ(std::wstring(value.data()).size(), 2047u);  // the system's 2,048-byte read is cut
      EXPECT_EQ(engine.ReadString("A", "x"), std::string(5000, 'v'));
    }
  }
}

TEST_F(DifferentialTest, DifferenceAnEmptyKeyDoesNotHideTheRestOfTheList) {
  std::string p = Fresh("[A]\r\n=v\r\nx=1\r\n");
  EXPECT_TRUE(PlatformList(p, "A").empty() || PlatformList(p, "A").front().empty());
  EXPECT_EQ(ProfileFile(p).ListKeys("A"), std::vector<std::string>{"x"});
}

TEST_F(DifferentialTest, DifferenceTextThatWouldNotReadBackIsRefusedNotWritten) {
  struct Bad {
    const char *section, *key, *value;
  } bad[] = {{"A", "a=b", "1"}, {"A", " k ", "1"},    {"A", "", "1"}, {"A", ";c", "1"},
             {"A", "[k]", "1"}, {"A", "k", "a\r\nb"}, {"", "k", "1"}};
  for (const auto& b : bad) {
    std::string e = Fresh("[A]\r\nx=1\r\n"), p = Fresh("[A]\r\nx=1\r\n");
    EXPECT_THROW(ProfileFile(e).WriteString(b.section, b.key, b.value), Error) << b.key;
    EXPECT_EQ(ReadFileBytes(e), "[A]\r\nx=1\r\n");
    PlatformWrite(p, b.section, b.key, b.value);
    EXPECT_NE(ReadFileBytes(p), "[A]\r\nx=1\r\n") << "the system stores " << b.key;
  }
}

TEST_F(DifferentialTest, DifferenceAReadOnlyFileIsRefusedEvenWhereTheSystemWouldWrite) {
  std::string e = Fresh("[A]\r\nx=1\r\n");
  SetFileAttributesW(Wide(e).get(), FILE_ATTRIBUTE_READONLY);
  try {
    ProfileFile(e).WriteString("A", "x", "2");
    ADD_FAILURE() << "wrote a read-only file";
  } catch (const Error& err) {
    EXPECT_EQ(std::string(err.what()), "Unable to write to " + e);
  }
  EXPECT_EQ(ReadFileBytes(e), "[A]\r\nx=1\r\n");
  SetFileAttributesW(Wide(e).get(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DifferentialTest, DifferenceAnEmptySectionNameFindsTheSectionWrittenWithEmptyBrackets) {
  // Windows' calls find "[]" by the empty name and the lines before the first
  // header by none; Wine's find those lines first.
  std::string p = Fresh("k=1\r\n[]\r\nk=2\r\n");
  EXPECT_EQ(ProfileFile(p).ReadString("", "k"), "2");
  EXPECT_EQ(PlatformRead(p, "", "k"), "1");
}

TEST_F(DifferentialTest, DifferenceBytesAfterAZeroByteAreKept) {
  // The system cuts a line at a zero byte for reading and drops the rest when
  // it writes; the engine reads the same but keeps the bytes.
  std::string withZero("[A]\r\nx=a\0b\r\ny=2\r\n", 17);
  std::string e = Fresh(withZero), p = Fresh(withZero);
  EXPECT_EQ(ProfileFile(e).ReadString("A", "x"), PlatformRead(p, "A", "x"));
  ProfileFile(e).WriteString("A", "z", "5");
  PlatformWrite(p, "A", "z", "5");
  EXPECT_EQ(ReadFileBytes(e), withZero + "z=5\r\n");
  EXPECT_EQ(ReadFileBytes(p), "[A]\r\nx=a\r\ny=2\r\nz=5\r\n");
}

TEST_F(DifferentialTest, DifferenceTextTheAnsiCodePageCannotHoldTurnsTheFileIntoUtf8) {
  const std::string before = "[A]\r\n\xC4pfel=\xE9t\xE9\r\n";  // ANSI
  std::string e = Fresh(before), p = Fresh(before);
  ProfileFile(e).WriteString("A", "\xD0\x96", kProject);
  PlatformWrite(p, "A", "\xD0\x96", kProject.c_str());
  EXPECT_EQ(ReadFileBytes(e), "\xEF\xBB\xBF[A]\r\n\xC3\x84pfel=\xC3\xA9t\xC3\xA9\r\n\xD0\x96=" + kProject + "\r\n");
  // The system reads the engine's file right, and loses the letters itself.
  EXPECT_EQ(PlatformRead(e, "A", "\xD0\x96"), kProject);
  EXPECT_EQ(PlatformRead(e, "A", "\xC3\x84pfel"), "\xC3\xA9t\xC3\xA9");
  EXPECT_NE(PlatformRead(p, "A", "\xD0\x96"), kProject);
  // The first such text in an ASCII file gives it the mark; the system's
  // ANSI bytes of an accent the engine writes only with one.
  std::string a = Fresh("[A]\r\nx=1\r\n"), b = Fresh("[A]\r\nx=1\r\n");
  ProfileFile(a).WriteString("A", "y", "\xC3\xA9");
  PlatformWrite(b, "A", "y", "\xC3\xA9");
  EXPECT_EQ(ReadFileBytes(a), "\xEF\xBB\xBF[A]\r\nx=1\r\ny=\xC3\xA9\r\n");
  EXPECT_EQ(ReadFileBytes(b), "[A]\r\nx=1\r\ny=\xE9\r\n");
  EXPECT_EQ(PlatformDump(a), PlatformDump(b));
}

TEST_F(DifferentialTest, DifferenceUtf8WithoutTheMarkReadsAsUtf8) {
  // The system takes every file without a mark as ANSI; text that is valid
  // UTF-8 throughout is the engine's own, so it reads it as such.
  std::string p = Fresh("[A]\r\n\xC3\xA9=\xD0\x96\r\n");
  EXPECT_EQ(ProfileFile(p).ReadString("A", "\xC3\x89"), "\xD0\x96");
  EXPECT_EQ(PlatformRead(p, "A", "\xC3\x83\xC2\xA9"), "\xC3\x90\xE2\x80\x93");  // "Ã©" gives "Ð–"
}

TEST_F(DifferentialTest, DifferenceAWriteInOtherLetterCasesReplacesTheEntry) {
  // As with ASCII names, the entry keeps its place and spelling; Wine's
  // calls, folding ASCII only, add a second entry.
  const std::string before = "\xEF\xBB\xBF[" + kCommand + "]\r\n" + kProject + "=a|\r\n";
  std::string e = Fresh(before), p = Fresh(before);
  ProfileFile(e).WriteString(kCommand, kProjectUpper, "b|");
  PlatformWrite(p, kCommand.c_str(), kProjectUpper.c_str(), "b|");
  EXPECT_EQ(ReadFileBytes(e), "\xEF\xBB\xBF[" + kCommand + "]\r\n" + kProject + "=b|\r\n");
  EXPECT_EQ(PlatformList(p, kCommand).size(), 2u);
}

}  // namespace
}  // namespace tvx::store
