// The text helpers every subsystem relies on, at the edges where a slip would
// corrupt a name or a path.
#include "platform/text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/case_fold.h"
#include "platform/platform.h"
#include "platform/utf8.h"

namespace tvx {
namespace {

TEST(JoinPath, OneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(JoinPath("C:\\Tools", "TVX.dat"), "C:\\Tools\\TVX.dat");
  EXPECT_EQ(JoinPath("C:\\Tools\\", "TVX.dat"), "C:\\Tools\\TVX.dat");
  EXPECT_EQ(JoinPath("/tmp/tools/", "TVX.dat"), "/tmp/tools/TVX.dat");
  EXPECT_EQ(JoinPath("", "TVX.dat"), "TVX.dat");  // not "\TVX.dat", the root of the drive
}

TEST(Utf8, MalformedSequencesPassOneByteAndCompareAsThemselves) {
  // Overlong, surrogate, beyond U+10FFFF, cut at the end: each byte on its own.
  for (std::string bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    size_t i = 0;
    EXPECT_EQ(utf8::Next(bad, i), utf8::kInvalidByte + static_cast<unsigned char>(bad[0])) << bad.size();
    EXPECT_EQ(i, 1u);
    EXPECT_FALSE(utf8::IsValid(bad));
  }
  const std::string smile = "\xF0\x9F\x98\x80";
  size_t i = 0;
  EXPECT_EQ(utf8::Next(smile, i), U'\U0001F600');
  EXPECT_EQ(i, 4u);
  // The first byte beyond ASCII is found past the 64-byte blocks too.
  EXPECT_EQ(utf8::AsciiPrefix(std::string(100, 'a') + "\xC3\xA9" + std::string(70, 'b')), 100u);
  EXPECT_TRUE(utf8::IsValid(std::string(130, 'a') + smile));
}

TEST(Utf8, Utf16KeepsPairsAndMarksWhatIsBroken) {
  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";
  EXPECT_EQ(utf8::FromUtf16(utf8::ToUtf16(text)), text);
  EXPECT_EQ(utf8::ToUtf16("\xF0\x9F\x98\x80"), std::string("\x3D\xD8\x00\xDE", 4));
  // A low surrogate alone, then an odd last byte.
  EXPECT_EQ(utf8::FromUtf16(std::string("\x00\xDC"
                                        "A\x00"
                                        "B",
                                        5)),
            "\xEF\xBF\xBD"
            "A"
            "\xEF\xBF\xBD");
}

TEST(CaseFold, LettersOfEveryScriptMatchAndStrayBytesStay) {
  EXPECT_TRUE(text::EqualsFolded("\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2",
                                 "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82"));
  EXPECT_TRUE(
      text::EqualsFolded("\xC3\x91"
                         "a",
                         "\xC3\xB1"
                         "A"));
  EXPECT_TRUE(text::EqualsFolded("\xE2\x84\xAA", "k"));  // the Kelvin sign
  EXPECT_FALSE(text::EqualsFolded("\xC3\xA9", "e"));
  EXPECT_LT(text::CompareFolded("Z", "\xC3\xA9"), 0);       // by code point, not by byte of a lead
  EXPECT_GT(text::CompareFolded("a\xFF", "a\xC3\xA9"), 0);  // a stray byte after every letter
  EXPECT_EQ(text::Folded("A\xFF"
                         "B"),
            "a\xFF"
            "b");
}

TEST(Text, SplitReplaceAndMeasure) {
  EXPECT_EQ(text::SplitAt("a||b|", "|"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(text::SplitLines("a\r\n\r\nb\rc\n"), (std::vector<std::string>{"a", "", "b", "c"}));
  EXPECT_EQ(text::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(text::ExtractExtension("C:\\v1.2\\readme"), "");
  EXPECT_EQ(text::ExtractFileName("C:notes.txt"), "notes.txt");
  // A character beyond U+FFFF counts two, a stray byte and a cut sequence one each.
  EXPECT_EQ(text::Utf16Length("a\xF0\x9F\x98\x80\xFF\xE2\x82"), 5u);
}

}  // namespace
}  // namespace tvx
