// The pieces under the data file's encodings: how a file's encoding is told,
// the two conversions, and letter case for every script.
#include "store/file_encoding.h"

#include <gtest/gtest.h>

#include "platform/case_fold.h"
#include "platform/code_page.h"
#include "platform/utf8.h"

namespace tvx::store {
namespace {

TEST(FileEncoding, TheMarkDecidesElseValidUtf8ElseTheAnsiCodePage) {
  EXPECT_EQ(DetectEncoding("\xEF\xBB\xBF[S]\r\nk=\xE9\r\n"), FileEncoding::Utf8);  // the mark wins
  EXPECT_EQ(DetectEncoding("\xFF\xFE[\0S\0]\0"), FileEncoding::Utf16);
  EXPECT_EQ(DetectEncoding(std::string("\xFE\xFF\0[\0S\0]", 8)), FileEncoding::Utf16Be);
  EXPECT_EQ(DetectEncoding(""), FileEncoding::Utf8);
  EXPECT_EQ(DetectEncoding("[Command]\r\nse\xC3\xB1"
                           "al=x\r\n\xF4\x8F\xBF\xBF=1"),
            FileEncoding::Utf8);
  // What valid UTF-8 never holds: a lone byte above 127, an overlong "/", a
  // surrogate, a code point above U+10FFFF, a sequence cut by the file's end.
  for (const char* ansi : {"caf\xE9=1", "\xC0\xAF=1", "k=\xED\xA0\x80", "k=\xF4\x90\x80\x80", "0123456789k=\xE2\x82"})
    EXPECT_EQ(DetectEncoding(ansi), FileEncoding::Ansi) << ansi;
  // Lines of both: those beyond ASCII that are valid UTF-8 are UTF-8.
  EXPECT_EQ(DetectEncoding("a=\xE9\r\nb=\xC3\xA9\r\n"), FileEncoding::Utf8AndAnsi);
}

TEST(FileEncoding, Utf16KeepsPairsAndMendsLoneSurrogates) {
  const std::string text = "a\xD0\x96\xF0\x9F\x98\x80";  // a, Ж, an emoji (a surrogate pair)
  const std::string wide = utf8::ToUtf16(text);
  EXPECT_EQ(wide, std::string("a\0\x16\x04\x3D\xD8\x00\xDE", 8));
  EXPECT_EQ(utf8::FromUtf16(wide), text);
  EXPECT_EQ(utf8::FromUtf16(std::string("\x3D\xD8"
                                        "b\0",
                                        4)),
            "\xEF\xBF\xBD"
            "b");
}

TEST(FileEncoding, LinesOfTheDecodedTextFindTheirBytes) {
  const std::string bytes = "\xFF\xFE" + utf8::ToUtf16("[S]\r\n\xD0\x96=1\n\rk=2");
  const std::string text = DecodeText(bytes, FileEncoding::Utf16);
  EXPECT_EQ(text, "[S]\r\n\xD0\x96=1\n\rk=2");
  EXPECT_EQ(ByteOffsetOfLine(text, bytes, FileEncoding::Utf16, 0), 2u);
  EXPECT_EQ(ByteOffsetOfLine(text, bytes, FileEncoding::Utf16, text.find("k=")), bytes.size() - 6);
  EXPECT_EQ(ByteOffsetOfLine(text, bytes, FileEncoding::Utf16, text.size()), bytes.size());
}

TEST(FileEncoding, TheAnsiCodePageHoldsOnlyItsOwnCharactersExactly) {
  // Off Windows the code page is Windows-1252.
  EXPECT_EQ(codepage::AnsiToUtf8("\x80\xE9\x81"), "\xE2\x82\xAC\xC3\xA9\xC2\x81");
  std::string ansi;
  EXPECT_TRUE(codepage::Utf8ToAnsi("\xE2\x82\xAC\xC3\xA9\xC2\x81", ansi));
  EXPECT_EQ(ansi, "\x80\xE9\x81");
  EXPECT_FALSE(codepage::Utf8ToAnsi("\xD0\x96", ansi));                 // Cyrillic
  EXPECT_FALSE(codepage::Utf8ToAnsi("\xC5\x82", ansi));                 // "ł": no look-alike "l"
  EXPECT_FALSE(EncodeText("\xED\xA0\x80", FileEncoding::Utf16, ansi));  // half a pair is no text

  // A long text, converted in blocks: high bytes at and around the blocks'
  // edges, at the very end, and in a reused buffer, as byte by byte.
  // Then a text of more than two chunks that triples in size ("€" is
  // three bytes), which outgrows the room first made for it.
  std::string longAnsi(70, 'a');
  for (size_t at : {0, 15, 16, 17, 31, 32, 63, 69}) longAnsi[at] = static_cast<char>(0x80 + at);
  std::string growing(9000, '\x80');
  for (size_t at : {4095, 4096, 8191, 8999}) growing[at] = 'z';
  for (const std::string& text : {longAnsi, growing}) {
    std::string expected, out = "left over";
    for (char c : text) expected += codepage::AnsiToUtf8(std::string(1, c));
    codepage::AnsiToUtf8(text, out);
    EXPECT_EQ(out, expected);
  }
}

TEST(CaseFold, EveryScriptsLettersMatchAndNothingElseDoes) {
  using text::EqualsFolded;
  EXPECT_TRUE(EqualsFolded("\xC3\x91", "\xC3\xB1"));                                  // Ñ ñ
  EXPECT_TRUE(EqualsFolded("\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2",        // ПРОЕКТ
                           "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82"));      // проект
  EXPECT_TRUE(EqualsFolded("\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"));  // ΣΑΣ σας
  EXPECT_TRUE(EqualsFolded("\xE2\x84\xAA", "k"));                                     // Kelvin sign, one byte apart
  EXPECT_TRUE(EqualsFolded("\xC7\x84", "\xC7\x85"));                                  // Ǆ ǅ
  EXPECT_TRUE(EqualsFolded("\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"));                  // Deseret, above U+FFFF
  // Alternating ranges fold only their capitals; İ has no simple fold.
  EXPECT_FALSE(EqualsFolded("\xC4\x81", "\xC4\x82"));  // ā Ă
  EXPECT_FALSE(EqualsFolded("\xC4\xB0", "i"));
  EXPECT_FALSE(EqualsFolded("\xC4", "\xE4"));  // invalid bytes compare as they are
  EXPECT_FALSE(EqualsFolded("ab", "abc"));
  EXPECT_LT(text::CompareFolded("\xC3\xA1", "\xC3\x81x"), 0);
  EXPECT_EQ(text::Folded("A\xC3\x91\xE2\x84\xAA\xFF"), "a\xC3\xB1k\xFF");
}

}  // namespace
}  // namespace tvx::store
