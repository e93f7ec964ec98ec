// The data file engine: reading rules, where writes land, what they keep,
// what they refuse and how they fail.
#include "store/profile_file.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/utf8.h"
#include "store/schema.h"
#include "support/fake_platform.h"

namespace tvx::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class ProfileFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string path = DataFilePath(dir.Path());

  // Writes bytes, applies one write through a fresh engine, returns the file.
  std::string AfterWrite(const std::string& bytes, const std::string& s, const std::string& k, const std::string& v) {
    WriteFileBytes(path, bytes);
    ProfileFile f(path);
    f.WriteString(s, k, v);
    return ReadFileBytes(path);
  }
  std::string AfterDelete(const std::string& bytes, const std::string& s, const std::string& k) {
    WriteFileBytes(path, bytes);
    ProfileFile f(path);
    f.DeleteKey(s, k);
    return ReadFileBytes(path);
  }
  std::string Read(const std::string& bytes, const std::string& s, const std::string& k) {
    WriteFileBytes(path, bytes);
    return ProfileFile(path).ReadString(s, k);
  }
  std::vector<std::string> List(const std::string& bytes, const std::string& s) {
    WriteFileBytes(path, bytes);
    return ProfileFile(path).ListKeys(s);
  }
  bool OnlyDataFileLeft() {
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
      auto name = e.path().filename().string();
      if (name != "TVX.dat" && name != "TVX.dat.lock") return false;
    }
    return true;
  }
};

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndFirstWritesBuildTheFile) {
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("Command", "n"), "");
  EXPECT_TRUE(f.ListKeys("Command").empty());
  EXPECT_EQ(f.ReadInteger("Settings", "OSK", 7), 7);
  EXPECT_FALSE(test::PathExists(path));

  f.WriteString("Command", "n", "notepad.exe|");
  f.WriteString("Command", "cp", "Rundll32.exe|Shell32.dll,Control_RunDLL");
  f.WriteString("Template", "work", "n cp");
  f.WriteInteger("Settings", "OSK", 0);
  f.WriteInteger("Settings", "HideCommand", 1);
  EXPECT_EQ(ReadFileBytes(path),
            "[Command]\r\nn=notepad.exe|\r\ncp=Rundll32.exe|Shell32.dll,Control_RunDLL\r\n"
            "[Template]\r\nwork=n cp\r\n[Settings]\r\nOSK=0\r\nHideCommand=1\r\n");
  // The object that wrote reads its own writes, and so does a new one.
  EXPECT_EQ(f.ReadString("command", "CP"), "Rundll32.exe|Shell32.dll,Control_RunDLL");
  EXPECT_EQ(ProfileFile(path).ListKeys("Command"), (std::vector<std::string>{"n", "cp"}));
  EXPECT_TRUE(OnlyDataFileLeft());
}

TEST_F(ProfileFileTest, NamesMatchRegardlessOfCaseAndExistingKeysKeepTheirPlaceAndSpelling) {
  EXPECT_EQ(AfterWrite("[Command]\r\nNotepad=a\r\nz=1\r\n", "COMMAND", "notepad", "b"),
            "[Command]\r\nNotepad=b\r\nz=1\r\n");
  EXPECT_EQ(Read("[cOmMaNd]\r\nNoTePaD=1\r\n", "Command", "NOTEPAD"), "1");
  // Every script's letters fold, in the scan of a few lookups and in the
  // table of many, as the first of two spellings.
  WriteFileBytes(path,
                 "[\xD0\x9A\xD0\x9E\xD0\x9C]\r\n\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2=1\r\n"
                 "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82=2\r\n\xC3\x91=3\r\nk=4\r\n");
  ProfileFile f(path);
  for (int round = 0; round < 40; ++round) {
    ASSERT_EQ(f.ReadString("\xD0\xBA\xD0\xBE\xD0\xBC", "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82"), "1");
    ASSERT_EQ(f.ReadString("\xD0\x9A\xD0\x9E\xD0\x9C", "\xC3\xB1"), "3");
    ASSERT_EQ(f.ReadString("\xD0\x9A\xD0\x9E\xD0\x9C", "\xE2\x84\xAA"), "4");  // the Kelvin sign
  }
  f.WriteString("\xD0\xBA\xD0\xBE\xD0\xBC", "\xC3\xB1", "5");  // replaces, keeping the spelling
  EXPECT_EQ(f.ListKeys("\xD0\x9A\xD0\x9E\xD0\x9C").size(), 4u);
  EXPECT_NE(ReadFileBytes(path).find("\xC3\x91=5\r\n"), std::string::npos);
  // A write alone finds its line by walking the file, without the index.
  ProfileFile(path).WriteString("\xD0\x9A\xD0\x9E\xD0\x9C", "\xE2\x84\xAA", "6");
  EXPECT_NE(ReadFileBytes(path).find("\r\nk=6\r\n"), std::string::npos);
}

TEST_F(ProfileFileTest, EveryLetterThatFoldsIsFoundFromItsFoldInKeysOfEveryLength) {
  // Keys of under 4, of 4 to 8 and of over 8 bytes hash each their own way;
  // the letter stands alone, between ASCII, and next to a Cyrillic one.
  const std::pair<std::string, std::string> around[] = {{"", ""}, {"x", "9"}, {"long key ", "\xD1\x80 end"}};
  std::string bytes = "[S]\r\n";
  std::vector<std::string> asked;
  for (char32_t c = 0x80; c < 0x20000; ++c) {
    const char32_t fold = text::FoldCase(c);
    if (fold == c) continue;
    std::string letter, folded;
    utf8::Append(letter, c);
    utf8::Append(folded, fold);
    for (const auto& [before, after] : around) {
      bytes += before + letter + after + "=" + before + folded + after + "\r\n";
      asked.push_back(before + folded + after);
    }
  }
  WriteFileBytes(path, bytes);
  ProfileFile f(path);
  for (const std::string& key : asked) ASSERT_EQ(f.ReadString("S", key), key);  // the few, then the table
}

// Spellings of one key whose UTF-8 lengths differ (the Kelvin sign and "k",
// "ſ" and "S"): a write under either finds the other's line and keeps the
// file's spelling whole, whether it walks the file or has the index.
TEST_F(ProfileFileTest, AWriteUnderASpellingOfAnotherLengthKeepsTheKeyWhole) {
  std::map<char32_t, std::vector<std::string>> spellings;  // by fold
  for (char32_t c = 0; c < 0x20000; ++c)
    if (c < 0xD800 || c > 0xDFFF) utf8::Append(spellings[text::FoldCase(c)].emplace_back(), c);
  int pairs = 0;
  for (const auto& [fold, letters] : spellings)
    for (const std::string& inFile : letters)
      for (const std::string& asked : letters) {
        if (inFile.size() == asked.size()) continue;
        pairs += inFile < asked;
        for (bool indexed : {false, true}) {
          const std::string before = "[S]\r\nx" + inFile + "9=v\r\nz=1\r\n";
          ProfileFile f(ProfileFile::InMemory{before});
          if (indexed) f.ListKeys("S");
          f.WriteString("S", "x" + asked + "9", "new");
          ASSERT_EQ(f.Bytes(), "[S]\r\nx" + inFile + "9=new\r\nz=1\r\n") << "U+" << std::hex << unsigned(fold);
        }
      }
  EXPECT_EQ(pairs, 48);
}

TEST_F(ProfileFileTest, ReadingASectionGivesEachListedKeyWithTheValueReadStringGives) {
  // Duplicates in other letter case, quotes, comments, lines without "=",
  // an empty value and a second section of the same name.
  WriteFileBytes(path,
                 "[Command]\r\nA=1\r\n;c=x\r\nnoeq\r\n a = \"q\" \r\na=2\r\ne=\r\n[Other]\r\nz=9\r\n"
                 "[command]\r\nb=3\r\n");
  ProfileFile f(path);
  std::vector<std::pair<std::string, std::string>> read, expected;
  f.ReadSection("Command", [&](std::string_view k, std::string_view v) { read.emplace_back(k, v); });
  for (const std::string& k : f.ListKeys("Command")) expected.emplace_back(k, f.ReadString("Command", k));
  EXPECT_EQ(read, expected);
  EXPECT_EQ(read.size(), 4u);
  EXPECT_EQ(read[1], (std::pair<std::string, std::string>{"a", "1"}));
}

TEST_F(ProfileFileTest, ReadingTrimsBlanksAndOneEnclosingPairOfQuotes) {
  struct Case {
    const char* line;
    const char* value;
  } cases[] = {
      {"k=  v  ", "v"},
      {"  k  =v", "v"},
      {"\tk\t=\tv\t", "v"},
      {"k=\x0bv\x0c", "v"},
      {"k=\x1av\x1a", "v"},
      {"k=\x01v\x01", "\x01v\x01"},
      {"k=\"v\"", "v"},
      {"k='v'", "v"},
      {"k= \" v \" ", " v "},
      {"k=\"a\"|b", "\"a\"|b"},
      {"k='v\"", "'v\""},
      {"k=\"", "\""},
      {"k=\"\"", ""},
      {"k=\"\"\"\"", "\"\""},
      {"k=a=b", "a=b"},
      {"k", ""},
      {"k=", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(std::string("[S]\r\n") + c.line + "\r\n", "S", "k"), c.value) << c.line;
  // The caller's names are trimmed as well.
  EXPECT_EQ(Read("[ S ]\r\nk=1\r\n", "  S ", " k "), "1");
}

TEST_F(ProfileFileTest, LinesEndAtCrLfLfOrCrAndOddLinesAreIgnored) {
  const std::string files[] = {"[S]\r\na=1\r\nb=2\r\n", "[S]\na=1\nb=2", "[S]\ra=1\rb=2\r", "[S]\r\r\n\na=1\n\r\nb=2"};
  for (const auto& f : files) {
    EXPECT_EQ(List(f, "S"), (std::vector<std::string>{"a", "b"})) << f;
    EXPECT_EQ(ProfileFile(path).ReadString("S", "b"), "2") << f;
  }
  // Comments, lines without "=" and empty keys are not listed; comments still read.
  std::string odd = "[S]\r\n;c=1\r\nnoeq\r\n=v\r\n#h=2\r\n\"q\"=3\r\n[bad\r\n";
  EXPECT_EQ(List(odd, "S"), (std::vector<std::string>{"#h", "\"q\""}));
  EXPECT_EQ(Read(odd, "S", ";c"), "1");
  EXPECT_EQ(Read(odd, "S", "\"q\""), "3");
  EXPECT_EQ(Read(odd, "S", "q"), "");
  // A header is named by the text up to its last "]"; text after it is dropped.
  EXPECT_EQ(Read("[a]b] junk\r\nk=1\r\n", "a]b", "k"), "1");
  // An empty name finds the section written "[]"; no name finds the lines
  // before the first header.
  const std::string empty = "k=1\r\n[ ]\r\nk=2\r\nm=3\r\n";
  EXPECT_EQ(Read(empty, "", "k"), "2");
  EXPECT_EQ(List(empty, ""), (std::vector<std::string>{"k", "m"}));
  EXPECT_EQ(AfterDelete(empty, "", "k"), "k=1\r\n[ ]\r\nm=3\r\n");
  EXPECT_EQ(Read("k=1\r\n[S]\r\n", "", "k"), "");
  // A byte order mark is passed over; a zero byte ends the text it is in.
  EXPECT_EQ(Read("\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k"), "1");
  EXPECT_EQ(Read(std::string("[S]\r\nk=a\0b\r\nm=2\r\n", 18), "S", "k"), "a");
  EXPECT_EQ(ProfileFile(path).ReadString("S", "m"), "2");
}

TEST_F(ProfileFileTest, DuplicatesFirstSectionAndFirstKeyCount) {
  std::string f = "[A]\r\nx=1\r\nX=2\r\n[B]\r\n[a]\r\ny=3\r\n";
  EXPECT_EQ(Read(f, "A", "x"), "1");
  EXPECT_EQ(ProfileFile(path).ReadString("A", "y"), "");  // hidden by the first [A]
  EXPECT_EQ(List(f, "a"), (std::vector<std::string>{"x", "X"}));
  EXPECT_EQ(AfterWrite(f, "A", "x", "9"), "[A]\r\nx=9\r\nX=2\r\n[B]\r\n[a]\r\ny=3\r\n");
  EXPECT_EQ(AfterWrite(f, "A", "y", "9"), "[A]\r\nx=1\r\nX=2\r\ny=9\r\n[B]\r\n[a]\r\ny=3\r\n");
  // Deletion looks through every section of the name.
  EXPECT_EQ(AfterDelete(f, "A", "Y"), "[A]\r\nx=1\r\nX=2\r\n[B]\r\n[a]\r\n");
  EXPECT_EQ(AfterDelete(f, "A", "x"), "[A]\r\nX=2\r\n[B]\r\n[a]\r\ny=3\r\n");
}

// A lookup indexes the file only as far as it needs; whatever the order of
// reads, lists and writes, the answers are those of a whole read.
TEST_F(ProfileFileTest, LookupsThatReadPartOfTheFileAnswerAsAWholeRead) {
  const std::string bytes =
      std::string("[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nk1=b\r\n[A]\r\nk3=3\r\n[C]\r\nk\0z=zero\r\n", 54) +
      "dup=first\r\ndup=second\r\nlast = L ";
  {
    ProfileFile f(ProfileFile::InMemory{bytes});
    EXPECT_EQ(f.ReadString("B", "k1"), "b");
    EXPECT_EQ(f.ReadString("A", "k2"), "2");    // before where the first lookup stopped
    EXPECT_EQ(f.ReadString("A", "k3"), "");     // in the second [A], which reads never see
    EXPECT_EQ(f.ReadString("C", "k"), "zero");  // a key ends at a zero byte
    EXPECT_EQ(f.ReadString("C", "DUP"), "first");
    EXPECT_EQ(f.ReadString("c", "last"), "L");
    EXPECT_EQ(f.ReadString("D", "k1"), "");
    EXPECT_EQ(f.ListKeys("A"), (std::vector<std::string>{"k1", "k2"}));
  }
  {
    // A write into a partly indexed file lands where it would after a whole read.
    ProfileFile partly(ProfileFile::InMemory{bytes});
    EXPECT_EQ(partly.ReadString("A", "k1"), "1");
    partly.WriteString("B", "new", "x");
    ProfileFile whole(ProfileFile::InMemory{bytes});
    whole.ListKeys("C");
    whole.WriteString("B", "new", "x");
    EXPECT_EQ(partly.Bytes(), whole.Bytes());
    EXPECT_NE(partly.Bytes().find("k1=b\r\nnew=x\r\n[A]"), std::string::npos);
    EXPECT_EQ(partly.ReadString("B", "new"), "x");
  }
  {
    // Many lookups go over to the hash table half way; the answers stay.
    std::string big = "[S]\r\n";
    for (int i = 0; i < 200; ++i) big += "n" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    ProfileFile f(ProfileFile::InMemory{big});
    for (int i = 199; i >= 0; i -= 3) EXPECT_EQ(f.ReadString("S", "N" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(f.ReadString("S", "n200"), "");
    EXPECT_EQ(f.ListKeys("S").size(), 200u);
  }
}

TEST_F(ProfileFileTest, WritesTouchOneLineAndKeepEveryOtherByte) {
  const std::string lf = "; hand-made\n[Command]\n  a = 1  \n\n;note\n\n[Other]\nq=1";
  // A new key goes after the section's last non-blank line, comments included.
  EXPECT_EQ(AfterWrite(lf, "Command", "b", "2"), "; hand-made\n[Command]\n  a = 1  \n\n;note\nb=2\r\n\n[Other]\nq=1");
  // A changed key is rewritten as key=value; the key keeps the file's spelling.
  EXPECT_EQ(AfterWrite(lf, "command", "A", "x"), "; hand-made\n[Command]\na=x\r\n\n;note\n\n[Other]\nq=1");
  // The last line gets a line end before anything follows it.
  EXPECT_EQ(AfterWrite(lf, "Other", "r", "2"), "; hand-made\n[Command]\n  a = 1  \n\n;note\n\n[Other]\nq=1\r\nr=2\r\n");
  EXPECT_EQ(AfterWrite(lf, "New", "k", "v"),
            "; hand-made\n[Command]\n  a = 1  \n\n;note\n\n[Other]\nq=1\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(AfterWrite("[S]", "S", "k", "v"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(AfterWrite("[S]\r\n\r\n", "S", "k", "v"), "[S]\r\nk=v\r\n\r\n");
  EXPECT_EQ(AfterWrite("\r\n\r\n", "S", "k", "v"), "\r\n\r\n[S]\r\nk=v\r\n");
  EXPECT_EQ(AfterWrite("\xEF\xBB\xBF", "S", "k", "v"), "\xEF\xBB\xBF[S]\r\nk=v\r\n");
  EXPECT_EQ(AfterWrite("\xEF\xBB\xBFk=1\r\n[S]\r\n", "S", "k", "v"), "\xEF\xBB\xBFk=1\r\n[S]\r\nk=v\r\n");
  // A line without "=" takes the value in place.
  EXPECT_EQ(AfterWrite("[S]\r\nk\r\nz=1\r\n", "S", "K", "5"), "[S]\r\nk=5\r\nz=1\r\n");
  // Leading blanks of a value are dropped on writing, trailing ones kept.
  EXPECT_EQ(AfterWrite("", "S", "k", "  v  "), "[S]\r\nk=v  \r\n");
  // An unchanged value leaves the file as it is.
  EXPECT_EQ(AfterWrite("[S]\nk = v \n\n", "S", "k", "v"), "[S]\nk = v \n\n");
  // Deleting removes just the line; a missing key changes nothing.
  EXPECT_EQ(AfterDelete(lf, "Command", "a"), "; hand-made\n[Command]\n\n;note\n\n[Other]\nq=1");
  EXPECT_EQ(AfterDelete(lf, "Other", "q"), "; hand-made\n[Command]\n  a = 1  \n\n;note\n\n[Other]\n");
  EXPECT_EQ(AfterDelete(lf, "Command", "zz"), lf);
  EXPECT_EQ(AfterDelete(lf, "Command", " a"), lf);  // deletion does not trim the name
}

TEST_F(ProfileFileTest, NothingIsCutShort) {
  std::string longValue(100000, 'v');
  std::vector<std::string> names;
  std::string file = "[Template]\r\n";
  for (int i = 0; i < 2000; ++i) {  // about 60 KB of names
    names.push_back("command-name-number-" + std::to_string(i));
    file += names.back() + "=x\r\n";
  }
  WriteFileBytes(path, file);
  ProfileFile(path).WriteString("Command", "long", longValue);
  ProfileFile again(path);
  EXPECT_EQ(again.ReadString("Command", "long"), longValue);
  EXPECT_EQ(again.ListKeys("Template"), names);
}

TEST_F(ProfileFileTest, NumbersAreDecimalOrHexAndAnythingElseIsZero) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"1", 1},
               {"01", 1},
               {"0x1", 1},
               {"0X1f", 31},
               {"$ff", 255},
               {"-12", -12},
               {"+3", 3},
               {"true", 0},
               {"2", 2},
               {"1.5", 0},
               {"0x", 0},
               {"$", 0},
               {"-", 0},
               {"0xg", 0},
               {"12abc", 0},
               {" 7 ", 7},
               {"2147483647", 2147483647},
               {"2147483648", 0},
               {"-2147483648", -2147483647 - 1},
               {"$FFFFFFFF", -1},
               {"0x100000000", 0}};
  std::string file = "[Settings]\r\n";
  for (size_t i = 0; i < std::size(cases); ++i) file += "k" + std::to_string(i) + "=" + cases[i].text + "\r\n";
  WriteFileBytes(path, file);
  ProfileFile f(path);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(f.ReadInteger("Settings", "k" + std::to_string(i), 42), cases[i].value) << cases[i].text;
  EXPECT_EQ(f.ReadInteger("Settings", "missing", 42), 42);
  f.WriteInteger("Settings", "OSK", -5);
  EXPECT_EQ(f.ReadString("Settings", "OSK"), "-5");
}

TEST_F(ProfileFileTest, TextTheFormatCannotHoldIsRefusedAndNothingIsWritten) {
  struct Case {
    std::string section, key, value, message;
  } cases[] = {
      {"Command", "a=b", "x", "Cannot store \"a=b\" because a name cannot contain an equals sign"},
      {"Command", "a\r\nb", "x", "Cannot store \"a??b\" because a name cannot contain a line break"},
      {"Command", std::string("a\0b", 3), "x", "Cannot store \"a?b\" because a name cannot contain a zero character"},
      {"Command", " a", "x", "Cannot store \" a\" because a name cannot begin or end with a blank"},
      {"Command", "a\t", "x", "Cannot store \"a?\" because a name cannot begin or end with a blank"},
      {"Command", "[a]", "x", "Cannot store \"[a]\" because a name cannot begin with a bracket or a semicolon"},
      {"Command", ";a", "x", "Cannot store \";a\" because a name cannot begin with a bracket or a semicolon"},
      {"Command", "", "x", "Cannot store an entry without a name"},
      {"Command", "a", "x\ny", "Cannot store the value of \"a\" because it contains a line break"},
      {"Command", "a", "x\ry", "Cannot store the value of \"a\" because it contains a line break"},
      {"Command", "a", std::string("x\0y", 3), "Cannot store the value of \"a\" because it contains a zero character"},
      {"", "a", "x", "Cannot store in section \"\" because its name is not valid"},
      {"A]B", "a", "x", "Cannot store in section \"A]B\" because its name is not valid"},
      {" A", "a", "x", "Cannot store in section \" A\" because its name is not valid"},
  };
  for (const auto& c : cases) {
    ProfileFile f(path);
    try {
      f.WriteString(c.section, c.key, c.value);
      ADD_FAILURE() << "accepted " << c.message;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_FALSE(test::PathExists(path)) << c.message;
  }
  // Quotes and inner blanks in names are kept as they are and read back.
  ProfileFile f(path);
  f.WriteString("Command", "\"my tool\"", " 'x' ");
  EXPECT_EQ(ProfileFile(path).ReadString("Command", "\"my tool\""), "x");
  EXPECT_EQ(ProfileFile(path).ListKeys("Command"), (std::vector<std::string>{"\"my tool\""}));
}

TEST_F(ProfileFileTest, AFailedWriteRaisesUnableToWriteAndLeavesTheFileAsItWas) {
  std::string missing = DataFilePath(dir.File("no-such-folder/"));
  try {
    ProfileFile(missing).WriteString("Command", "a", "b");
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing);
  }

  const std::string before = "[Command]\nold=1\n";
  WriteFileBytes(path, before);
  std::filesystem::permissions(
      path,
      std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write,
      std::filesystem::perm_options::remove);
  ProfileFile f(path);
  EXPECT_THROW(f.WriteString("Command", "new", "x"), Error);
  EXPECT_THROW(f.WriteString("Command", "old", "2"), Error);
  // A deletion fails like a write, and so do several changes at once.
  EXPECT_THROW(f.DeleteKey("Command", "old"), Error);
  ProfileFile::Changes changes;
  changes.Delete("Command", "old");
  changes.Write("Command", "new", "x");
  EXPECT_THROW(f.Apply(changes), Error);
  EXPECT_FALSE(f.DeleteKey("Command", "missing"));  // nothing to change: no write, no error
  EXPECT_EQ(f.ReadString("Command", "old"), "1");
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_TRUE(OnlyDataFileLeft());
  std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(ProfileFileTest, AUtf16FileIsWrittenInUtf16OfItsOwnByteOrder) {
  auto utf16 = [](const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
  };
  // A lone surrogate in a line the write does not touch keeps its bytes.
  auto units = [&](const std::string& ascii) { return utf16(ascii, false).substr(2); };
  const std::string lone = "\x3D\xD8", mark = "\xFF\xFE";
  const std::string before = mark + units("[Command]\r\nk=v\r\nz=") + lone + units("\r\n");
  EXPECT_EQ(AfterWrite(before, "Command", "k", "\xD0\x96"),
            mark + units("[Command]\r\nk=") + "\x16\x04" + units("\r\nz=") + lone + units("\r\n"));
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("command", "K"), "\xD0\x96");
  f.DeleteKey("Command", "k");
  f.WriteString("New", "n", "1");
  EXPECT_EQ(ReadFileBytes(path), mark + units("[Command]\r\nz=") + lone + units("\r\n[New]\r\nn=1\r\n"));

  WriteFileBytes(path, utf16("[Command]\r\nk=v\r\nz=1\r\n", true));
  ProfileFile g(path);
  EXPECT_EQ(g.ReadString("command", "K"), "v");
  g.WriteString("Command", "k", "\xD0\x96");
  EXPECT_EQ(ReadFileBytes(path), utf16("[Command]\r\nk=", true) + "\x04\x16" + utf16("\r\nz=1\r\n", true).substr(2));
  EXPECT_TRUE(OnlyDataFileLeft());
}

TEST_F(ProfileFileTest, AnAnsiFileIsReadDecodedKeepsItsBytesAndBecomesUtf8WhenItCannotHoldAName) {
  // "señal" and "café" in the ANSI code page (Windows-1252 off Windows).
  const std::string before =
      "[Command]\r\nse\xF1"
      "al=C:\\Caf\xE9\\a.exe|\r\nother=1\r\n;\x81\xFE\r\n";
  WriteFileBytes(path, before);
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("Command",
                         "SE\xC3\x91"
                         "AL"),
            "C:\\Caf\xC3\xA9\\a.exe|");
  EXPECT_EQ(f.ListKeys("Command"), (std::vector<std::string>{"se\xC3\xB1"
                                                             "al",
                                                             "other"}));
  f.WriteString("Command", "other", "\xC3\xA9");  // the code page holds it: encoded, the rest untouched
  const std::string edited =
      "[Command]\r\nse\xF1"
      "al=C:\\Caf\xE9\\a.exe|\r\nother=\xE9\r\n;\x81\xFE\r\n";
  EXPECT_EQ(ReadFileBytes(path), edited);
  // A Cyrillic name it cannot hold: the whole file once as UTF-8 with the mark.
  f.WriteString("Command", "\xD0\x9F", "p");
  EXPECT_EQ(ReadFileBytes(path),
            "\xEF\xBB\xBF[Command]\r\nse\xC3\xB1"
            "al=C:\\Caf\xC3\xA9\\a.exe|\r\nother=\xC3\xA9\r\n"
            ";\xC2\x81\xC3\xBE\r\n\xD0\x9F=p\r\n");
  EXPECT_EQ(ProfileFile(path).ReadString("Command", "\xD0\xBF"), "p");
  // The same changes in one write leave the same bytes.
  const std::string separately = ReadFileBytes(path);
  WriteFileBytes(path, before);
  ProfileFile::Changes changes;
  changes.Write("Command", "other", "\xC3\xA9");
  changes.Write("Command", "\xD0\x9F", "p");
  ProfileFile(path).Apply(changes);
  EXPECT_EQ(ReadFileBytes(path), separately);
  EXPECT_TRUE(OnlyDataFileLeft());
}

// A file of UTF-8 lines with one stray ANSI byte: each line is read in its
// own encoding, and a rewrite into UTF-8 converts the ANSI line alone.
TEST_F(ProfileFileTest, AFileOfUtf8AndAnsiLinesReadsEachLineInItsOwnEncoding) {
  const std::string report = "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82";  // отчёт
  WriteFileBytes(path, "[Command]\r\nnote=caf\xE9\r\n" + report + "=r.doc|\r\n");
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("Command", report), "r.doc|");
  EXPECT_EQ(f.ReadString("Command", "note"), "caf\xC3\xA9");
  f.WriteString("Command", "note", "th\xC3\xA9");  // the code page holds it
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\nnote=th\xE9\r\n" + report + "=r.doc|\r\n");
  f.WriteString("Command", "\xD0\xBF", "p");
  EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF[Command]\r\nnote=th\xC3\xA9\r\n" + report + "=r.doc|\r\n\xD0\xBF=p\r\n");
}

TEST_F(ProfileFileTest, AnAsciiFileGainsTheUtf8MarkWithItsFirstOtherText) {
  EXPECT_EQ(AfterWrite("[S]\r\nk=1\r\n", "S", "n", "2"), "[S]\r\nk=1\r\nn=2\r\n");
  EXPECT_EQ(AfterWrite("[S]\r\nk=1\r\n", "S", "n", "\xC3\xA9"), "\xEF\xBB\xBF[S]\r\nk=1\r\nn=\xC3\xA9\r\n");
  // UTF-8 without a mark that already holds other text stays as it is.
  EXPECT_EQ(AfterWrite("[S]\r\nk=\xC3\xA9\r\n", "S", "k", "\xD0\x96"), "[S]\r\nk=\xD0\x96\r\n");
  // Text that is not valid UTF-8 is refused, never written.
  for (const char* bad : {"\xE9", "\xED\xA0\x80"}) {
    EXPECT_THROW(AfterWrite("[S]\r\n", "S", bad, "1"), Error);
    EXPECT_THROW(AfterWrite("[S]\r\n", "S", "k", bad), Error);
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\n");
  }
}

TEST_F(ProfileFileTest, AWriteSeesAChangeMadeByAnyProgramSinceTheFileWasRead) {
  WriteFileBytes(path, "[Command]\r\na=1\r\n");
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("Command", "a"), "1");
  // Another program rewrites the file in place, not through this engine.
  WriteFileBytes(path, "[Command]\r\na=1\r\nb=2\r\n");
  f.WriteString("Command", "c", "3");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=1\r\nb=2\r\nc=3\r\n");
  // Whatever the lock file holds, it is only locked.
  WriteFileBytes(path + ".lock", "junk");
  WriteFileBytes(path, "[Command]\r\nb=2\r\nc=3\r\n");
  f.WriteString("Command", "d", "4");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\nb=2\r\nc=3\r\nd=4\r\n");
  ProfileFile other(path);
  other.WriteString("Command", "e", "5");
  f.WriteString("Command", "f", "6");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\nb=2\r\nc=3\r\nd=4\r\ne=5\r\nf=6\r\n");
  // An edit of the same size with the old write time, as an editor saving a
  // changed letter within one tick of the clock leaves it.
  const auto time = std::filesystem::last_write_time(path);
  WriteFileBytes(path, "[Command]\r\nb=7\r\nc=3\r\nd=4\r\ne=5\r\nf=6\r\n");
  std::filesystem::last_write_time(path, time);
  f.WriteString("Command", "g", "8");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\nb=7\r\nc=3\r\nd=4\r\ne=5\r\nf=6\r\ng=8\r\n");
}

// What stops a write is named: a folder in the way, a writer that does not
// finish, a file too large for the engine; nothing is written.
TEST_F(ProfileFileTest, AWriteThatCannotBeMadeSaysWhy) {
  auto failure = [&](auto&& action) {
    try {
      action();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  WriteFileBytes(path, "[Command]\r\na=1\r\n");
  for (const std::string& leftover : {path + ".tmp", path + ".lock"}) {
    std::filesystem::remove(leftover);
    std::filesystem::create_directory(leftover);
    EXPECT_EQ(failure([&] { ProfileFile(path).WriteString("Command", "b", "2"); }),
              "Unable to write to " + path + " because the folder " + leftover + " is in the way");
    std::filesystem::remove(leftover);
  }
  {
    fileio::LockFile other(path + ".lock");
    ASSERT_TRUE(other.Lock(0));
    ProfileFile f(path);
    EXPECT_EQ(failure([&] { f.DeleteKey("Command", "a"); }),
              "Unable to write to " + path + " because another program is changing it at the moment");
  }
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=1\r\n");

  std::error_code ec;
  std::filesystem::resize_file(path, (uintmax_t{1} << 32) + 1, ec);
  if (ec) GTEST_SKIP() << "no room for a file past 4 GB here";
  const std::string tooLarge = "Cannot use " + path + " because it is larger than 4 GB";
  EXPECT_EQ(failure([&] { ProfileFile(path).ReadString("Command", "a"); }), tooLarge);
  EXPECT_EQ(failure([&] { ProfileFile(path).WriteString("Command", "a", "2"); }), tooLarge);
  EXPECT_EQ(std::filesystem::file_size(path), (uintmax_t{1} << 32) + 1);
  std::filesystem::remove(path);
}

TEST_F(ProfileFileTest, TheEngineInMemoryEditsLikeTheFileEngine) {
  for (const std::string bytes : {"", "\xEF\xBB\xBF", "[Command]\nk=1", "x=1\r[command ]\r\n\r\n;c\r\n", "\xFF\xFEk"}) {
    ProfileFile memory(ProfileFile::InMemory{bytes});
    WriteFileBytes(path, bytes);
    ProfileFile file(path);
    for (auto* f : {&memory, &file}) {
      try {
        f->WriteString("Command", "K", "2");
        f->WriteString("Other", "n", "3");
        f->DeleteKey("command", "x");
      } catch (const Error&) {
      }
    }
    EXPECT_EQ(memory.Bytes(), ReadFileBytes(path)) << bytes;
    EXPECT_EQ(memory.ReadString("Command", "k"), file.ReadString("Command", "k")) << bytes;
    EXPECT_EQ(memory.Path(), "");
  }
  EXPECT_TRUE(OnlyDataFileLeft());
}

TEST_F(ProfileFileTest, WritesMergeWithWhatAnotherWriterStoredMeanwhile) {
  ProfileFile first(path);
  ProfileFile second(path);
  first.WriteString("Command", "a", "1");
  second.WriteString("Command", "b", "2");  // opened before "a" existed
  first.WriteString("Command", "c", "3");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=1\r\nb=2\r\nc=3\r\n");
  EXPECT_EQ(first.ReadString("Command", "b"), "2");
  second.WriteString("Command", "A", "later");  // the later write of a key wins
  first.DeleteKey("Command", "b");
  EXPECT_EQ(ReadFileBytes(path), "[Command]\r\na=later\r\nc=3\r\n");
  first.Release();
  EXPECT_EQ(first.ReadString("Command", "a"), "");
}

// Several changes at once leave exactly the bytes of the separate calls, on
// files whose line ends, duplicates and missing sections make placing hard.
TEST_F(ProfileFileTest, SeveralChangesAtOnceGiveTheBytesOfSeparateCalls) {
  const std::string files[] = {"", "\xEF\xBB\xBF[Command]\na=1\r\rb=2\n\n[x]\r\nk=0",
                               "a=0\r[command]\r\nA=1\r\na=2\n;c\r\n\r\n",
                               "[Command]\r\nold=1\r\n[Template]\r\nw=a\r\n[Command]\r\nold=2\r\n"};
  ProfileFile::Changes changes;
  changes.Delete("Command", "old");
  changes.Write("Command", "New", "x|");
  changes.Delete("command", "a");
  changes.Write("Template", "w", "b c");
  changes.Delete("Command", "old");
  changes.Write("Other", "k", "1");
  changes.Write("Command", "a", "again");
  changes.Delete("Command", "none");
  for (const std::string& bytes : files) {
    ProfileFile memory(ProfileFile::InMemory{bytes});
    int separateDeletions = 0;
    for (const auto& [section, key, value] :
         std::vector<std::tuple<std::string, std::string, std::string>>{{"Command", "old", ""},
                                                                        {"Command", "New", "x|"},
                                                                        {"command", "a", ""},
                                                                        {"Template", "w", "b c"},
                                                                        {"Command", "old", ""},
                                                                        {"Other", "k", "1"},
                                                                        {"Command", "a", "again"},
                                                                        {"Command", "none", ""}}) {
      if (value.empty())
        separateDeletions += memory.DeleteKey(section, key);
      else
        memory.WriteString(section, key, value);
    }
    WriteFileBytes(path, bytes);
    ProfileFile file(path);
    file.ListKeys("Command");  // indexed: the first change is placed from the index, the others by walking
    EXPECT_EQ(file.Apply(changes), separateDeletions) << bytes;
    EXPECT_EQ(ReadFileBytes(path), memory.Bytes()) << bytes;
    EXPECT_EQ(file.ReadString("Command", "a"), "again");
  }
  // Text the format cannot hold anywhere in the batch: nothing changes.
  const std::string before = ReadFileBytes(path);
  ProfileFile::Changes refused;
  refused.Delete("Command", "New");
  refused.Write("Command", "bad=name", "x");
  EXPECT_THROW(ProfileFile(path).Apply(refused), Error);
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_TRUE(OnlyDataFileLeft());
}

}  // namespace
}  // namespace tvx::store
