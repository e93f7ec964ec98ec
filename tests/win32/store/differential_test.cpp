// The data file engine against the system's own profile calls, on a corpus of
// awkward files: the same values, the same key lists and, for writes, the
// same content. Where the engine deliberately differs, a test names it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/error.h"
#include "store/profile_file.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

std::vector<std::string> SplitZeros(const std::vector<char>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::string s(buf.data() + i);
    out.push_back(s);
    i += static_cast<DWORD>(s.size()) + 1;
  }
  return out;
}

// One large buffer for every call: the system must never cut anything here.
std::vector<char>& Buffer() {
  static std::vector<char> buf(1 << 20);
  return buf;
}

std::vector<std::string> PlatformList(const std::string& path, const std::string& section) {
  auto& buf = Buffer();
  DWORD n =
      GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
  return SplitZeros(buf, n);
}

std::string PlatformRead(const std::string& path, const std::string& section, const std::string& key) {
  auto& buf = Buffer();
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
  return buf.data();
}

// Everything the system reads from a file: each section with its lines.
std::string PlatformDump(const std::string& path) {
  static std::vector<char> names(1 << 20), lines(1 << 20);
  std::string dump;
  DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  for (const auto& s : SplitZeros(names, n)) {
    dump += "[" + s + "]\n";
    DWORD m = GetPrivateProfileSectionA(s.c_str(), lines.data(), static_cast<DWORD>(lines.size()), path.c_str());
    for (const auto& l : SplitZeros(lines, m)) dump += l + "\n";
  }
  return dump;
}

bool PlatformWrite(const std::string& path, const char* section, const char* key, const char* value) {
  BOOL ok = WritePrivateProfileStringA(section, key, value, path.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  return ok != 0;
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

const std::vector<std::string> kSections = {"A", "a", " A ", "B", "Command", "command", "[A", "a]b", "", "Zz"};

TEST_F(DifferentialTest, ReadsGiveTheSameValuesAndKeyLists) {
  Corpus corpus;
  ASSERT_GE(corpus.files.size(), 40u);
  for (const auto& [name, bytes] : corpus.files) {
    std::string p = Fresh(bytes);
    ProfileFile engine(p);
    for (const auto& s : kSections) {
      auto platformKeys = PlatformList(p, s);
      // The system's list is cut at an empty key; none of these files has one.
      EXPECT_EQ(engine.ListKeys(s), platformKeys) << name << " [" << s << "]";
      std::vector<std::string> keys = platformKeys;
      for (const char* k : {"x", "X", " x ", "y", "z", "missing", "bare", ";c", "\"x\"", "'y'", "notepad", "\xe4pfel"})
        keys.push_back(k);
      for (const auto& k : keys)
        EXPECT_EQ(engine.ReadString(s, k), PlatformRead(p, s, k)) << name << " [" << s << "] " << k;
    }
  }
}

TEST_F(DifferentialTest, WritesGiveTheSameContentAndTheSameBytesWhereTheFileWasCanonical) {
  struct Op {
    const char *section, *key, *value;
  } ops[] = {{"A", "x", "changed"},    {"A", "new", "v"},          {"Brand", "k", "v"},
             {"a", "X", "  spaced  "}, {"Command", "n", "b.exe|"}, {"A", "bare", "now set"},
             {"A", "x", nullptr},      {"a", "Y", nullptr},        {"A", "x", "1"},
             {"B", "\"q\"", "'q'"}};
  Corpus corpus;
  int canonical = 0;
  for (const auto& [name, bytes] : corpus.files) {
    bool isCanonical = Normalized(bytes) == bytes;
    canonical += isCanonical;
    for (const auto& op : ops) {
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
      if (isCanonical) {
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
    std::vector<char> buf(16384);
    DWORD n = GetPrivateProfileStringA("A", nullptr, "", buf.data(), 16384, p.c_str());
    auto cut = SplitZeros(buf, n);
    std::vector<char> value(2048);
    GetPrivateProfileStringA("A", "x", "", value.data(), 2048, p.c_str());
    if (name == "many-keys") {
      EXPECT_LT(cut.size(), 1500u);  // the system's 16,384-byte list ends early
      EXPECT_EQ(engine.ListKeys("A").size(), 1500u);
    } else {
      EXPECT_EQ(std::string(value.data()).size(), 2047u);  // the system's 2,048-byte read is cut
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
  SetFileAttributesA(e.c_str(), FILE_ATTRIBUTE_READONLY);
  try {
    ProfileFile(e).WriteString("A", "x", "2");
    ADD_FAILURE() << "wrote a read-only file";
  } catch (const Error& err) {
    EXPECT_EQ(std::string(err.what()), "Unable to write to " + e);
  }
  EXPECT_EQ(ReadFileBytes(e), "[A]\r\nx=1\r\n");
  SetFileAttributesA(e.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DifferentialTest, DifferenceBytesAfterAZeroByteAndOtherEncodingsAreKept) {
  // The system cuts a line at a zero byte for reading and drops the rest when
  // it writes; the engine reads the same but keeps the bytes.
  std::string withZero("[A]\r\nx=a\0b\r\ny=2\r\n", 17);
  std::string e = Fresh(withZero), p = Fresh(withZero);
  EXPECT_EQ(ProfileFile(e).ReadString("A", "x"), PlatformRead(p, "A", "x"));
  ProfileFile(e).WriteString("A", "z", "5");
  PlatformWrite(p, "A", "z", "5");
  EXPECT_EQ(ReadFileBytes(e), withZero + "z=5\r\n");
  EXPECT_EQ(ReadFileBytes(p), "[A]\r\nx=a\r\ny=2\r\nz=5\r\n");
  // A UTF-16 file is decoded by the system; the engine reads bytes in the
  // ANSI code page only, so it finds nothing there.
  std::string utf16("\xff\xfe[\0A\0]\0\r\0\n\0x\0=\0\x31\0\r\0\n\0", 22);
  std::string u = Fresh(utf16);
  EXPECT_EQ(PlatformRead(u, "A", "x"), "1");
  EXPECT_EQ(ProfileFile(u).ReadString("A", "x"), "");
}

}  // namespace
}  // namespace tvx::store
