// Prints the face and measures of the fonts the program's windows ask for, as
// this system draws them, and fails when the system draws one with a
// substitute whose measures differ from the Windows font's: a layout made
// for the Windows fonts is then cut or overlapping.
//
// Usage: font_probe            check every font the windows use
//        font_probe FACE PX    print FACE at PX pixels high, no check
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

struct Measure {
  std::wstring face;
  int height = 0;
  int averageWidth = 0;
  // Horizontal dialog base unit of the font, as Windows derives it for a
  // dialog: the mean width of the 52 letters, rounded.
  int baseUnitX = 0;
  int sampleWidth = 0;
};

constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr wchar_t kSample[] = L"Optional Parameters (for Application)";

Measure Take(const wchar_t* face, int pixels, bool bold) {
  Measure m;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t name[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, name);
  m.face = name;
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  m.height = tm.tmHeight;
  m.averageWidth = tm.tmAveCharWidth;
  SIZE size{};
  GetTextExtentPoint32W(dc, kLetters, 52, &size);
  m.baseUnitX = (size.cx / 26 + 1) / 2;
  GetTextExtentPoint32W(dc, kSample, static_cast<int>(wcslen(kSample)), &size);
  m.sampleWidth = size.cx;
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return m;
}

void Print(const wchar_t* asked, int pixels, const Measure& m) {
  std::printf("%-14ls %3d px -> %-22ls height %2d, average width %2d, base unit %d, sample %3d px\n", asked, pixels,
              m.face.c_str(), m.height, m.averageWidth, m.baseUnitX, m.sampleWidth);
}

struct Expected {
  const wchar_t* face;
  int pixels;  // at 96 DPI
  bool bold;
  // Windows' own measures of the font; 0 where no check is made.
  int height;
  int baseUnitX;
};

// The fonts the windows ask for. MS Sans Serif and Tahoma at 8 points share
// Windows' classic dialog base units, 6 by 13.
constexpr Expected kExpected[] = {
    {L"MS Sans Serif", 11, false, 13, 6},
    {L"Tahoma", 11, false, 13, 6},
    {L"Tahoma", 12, true, 0, 0},
    {L"Comic Sans MS", 16, false, 0, 0},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) {
    wchar_t face[LF_FACESIZE] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, face, LF_FACESIZE - 1);
    int pixels = std::atoi(argv[2]);
    Print(face, pixels, Take(face, pixels, false));
    return 0;
  }
  int failures = 0;
  for (const Expected& e : kExpected) {
    Measure m = Take(e.face, e.pixels, e.bold);
    Print(e.face, e.pixels, m);
    if (m.face.rfind(L"DejaVu", 0) == 0 || _wcsicmp(m.face.c_str(), e.face) != 0) {
      std::printf("  drawn with %ls instead of %ls\n", m.face.c_str(), e.face);
      ++failures;
    }
    if (e.height && (m.height != e.height || m.baseUnitX != e.baseUnitX)) {
      std::printf("  measures differ from Windows' (height %d, base unit %d)\n", e.height, e.baseUnitX);
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
