// Every window of the program, drawn with a font wider than the one its
// places were made for: every caption fits its control and no two controls
// overlap. The windows ask for their own faces; the system draws them wider
// (under Wine: scripts/wine-wide-font.sh, a prefix without the Windows fonts
// where a font replacement draws "MS Sans Serif" with DejaVu Sans).
// The program's headers first: windows.h would rename MessageBox in them.
// clang-format off
#include "app/TVX_CTemplate.h"
#include "app/TVX_Main.h"
#include "app/info_windows.h"
#include "manager/PreCom_Main.h"
#include "manager/TVX_CmdMgr.h"
#include "shell/TVX_SetCmd.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"
#include "support/fake_platform.h"
#include "ui/win32/win32_ui.h"
// clang-format on

#include <commctrl.h>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>

namespace tvx::app {
namespace {

using ui::Win32Ui;

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

std::wstring TextOf(HWND h) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

// What a control needs around its caption to draw it whole: the check box
// its box and gap, a button its edges and focus rectangle.
int CaptionMargin(HWND h, const std::wstring& cls) {
  if (cls != L"Button") return 0;
  LONG type = GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
  if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
      type == BS_3STATE || type == BS_AUTO3STATE)
    return GetSystemMetrics(SM_CXMENUCHECK) + 4;
  if (type == BS_GROUPBOX) return 16;
  return 6;
}

// The faults of one open window, one line each.
std::string CheckWindow(const ui::Form& form) {
  std::string faults;
  HWND hwnd = Win32Ui::HandleOf(form);
  if (!hwnd) return form.Name() + ": no window\n";
  RECT client{};
  GetClientRect(hwnd, &client);
  struct Placed {
    std::string name;
    RECT r;
  };
  std::vector<Placed> placed;
  tvx::win32::ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  for (ui::Control* c : form.Controls()) {
    HWND h = Win32Ui::HandleOf(*c);
    // Lines and strips are drawing, not controls: they may meet what they
    // border, and the launcher's vertical line runs past the window's foot.
    if (!h || !IsWindowVisible(h) || c->GetKind() == ui::Kind::Bevel || c->GetKind() == ui::Kind::Shape) continue;
    const std::string name = form.Name() + "." + c->Name();
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    RECT inside{};
    if (!IntersectRect(&inside, &r, &client) || !EqualRect(&inside, &r))
      faults += name + ": " + std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) +
                "," + std::to_string(r.bottom) + " outside " + std::to_string(client.right) + "x" +
                std::to_string(client.bottom) + "\n";
    placed.push_back({name, r});

    const std::wstring cls = ClassOf(h);
    auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
    tvx::win32::ScopedSelect selected(dc.Get(), font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    RECT area{};
    GetClientRect(h, &area);
    const std::wstring text = TextOf(h);
    if (cls == L"Static" && !text.empty()) {
      // Labels wrap inside their width unless told not to.
      UINT flags = DT_CALCRECT;
      LONG kind = GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK;
      if (kind != SS_LEFTNOWORDWRAP && kind != SS_SIMPLE) flags |= DT_WORDBREAK;
      RECT need{0, 0, area.right, 0};
      DrawTextW(dc.Get(), text.c_str(), -1, &need, flags);
      if (need.right > area.right || need.bottom > area.bottom)
        faults += name + ": needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " +
                  std::to_string(area.right) + "x" + std::to_string(area.bottom) + "\n";
    } else if (cls == L"Button" && !text.empty()) {
      // The line's internal leading (room for accents) may be clipped.
      TEXTMETRICW tm{};
      GetTextMetricsW(dc.Get(), &tm);
      const int margin = CaptionMargin(h, cls);
      RECT need{0, 0, area.right - margin, 0};
      UINT flags = DT_CALCRECT | DT_SINGLELINE;
      if (GetWindowLongW(h, GWL_STYLE) & BS_MULTILINE) flags = DT_CALCRECT | DT_WORDBREAK;
      DrawTextW(dc.Get(), text.c_str(), -1, &need, flags);
      need.right += margin;
      need.bottom -= tm.tmInternalLeading;
      if (need.right > area.right || need.bottom > area.bottom)
        faults += name + ": needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " +
                  std::to_string(area.right) + "x" + std::to_string(area.bottom) + "\n";
    } else if (cls == L"Edit" && !(GetWindowLongW(h, GWL_STYLE) & ES_MULTILINE)) {
      TEXTMETRICW tm{};
      GetTextMetricsW(dc.Get(), &tm);
      if (tm.tmHeight > area.bottom) faults += name + ": a line does not fit the box\n";
    } else if (cls == WC_LISTVIEWW) {
      HWND header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
      int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
      for (int i = 0; i < columns; ++i) {
        wchar_t caption[128] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = caption;
        column.cchTextMax = 128;
        SendMessageW(h, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        SIZE need{};
        GetTextExtentPoint32W(dc.Get(), caption, static_cast<int>(wcslen(caption)), &need);
        if (need.cx + 12 > column.cx) faults += name + ": column " + std::to_string(i) + " cut\n";
      }
    }
  }
  // Controls meet only where one holds the other.
  for (size_t i = 0; i < placed.size(); ++i)
    for (size_t j = i + 1; j < placed.size(); ++j) {
      RECT common{};
      if (!IntersectRect(&common, &placed[i].r, &placed[j].r)) continue;
      if (EqualRect(&common, &placed[i].r) || EqualRect(&common, &placed[j].r)) continue;
      faults += placed[i].name + " overlaps " + placed[j].name + "\n";
    }
  return faults;
}

// The face a window's font at 8 points gets, with its base width as dialog
// units take it.
std::pair<std::string, int> AsDrawn(const std::string& face) {
  tvx::win32::ScopedGdiObject font(CreateFontW(-MulDiv(8, static_cast<int>(GetDpiForSystem()), 72), 0, 0, 0, FW_NORMAL,
                                               FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                               tvx::win32::Widen(face).c_str()));
  tvx::win32::ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  tvx::win32::ScopedSelect selected(dc.Get(), font.Get());
  wchar_t drawn[LF_FACESIZE] = {};
  GetTextFaceW(dc.Get(), LF_FACESIZE, drawn);
  SIZE letters{};
  GetTextExtentPoint32W(dc.Get(), L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  return {tvx::win32::Narrow(drawn), (letters.cx / 26 + 1) / 2};
}

TEST(WideFontWin32Test, EveryCaptionFitsAndNoControlsOverlap) {
  win32::Win32Platform platform;
  platform.Get().system.InitializeCom();
  Win32Ui ui;
  test::TempDir dir;
  Context ctx{platform.Get(), ui, dir.Path()};
  test::WriteFileBytes(ctx.DataFile(), "[Command]\r\nnotepad=notepad.exe|\r\n");
  std::vector<std::function<std::unique_ptr<ui::Form>()>> makers = {
      [&] { return std::make_unique<TfrmTVX>(ctx, nullptr); },
      [&] { return std::make_unique<TfrmCT>(ctx, nullptr); },
      [&] { return std::make_unique<TfrmSetCMD>(ctx); },
      [&] { return std::make_unique<manager::TtvxCM>(ctx); },
      [&] { return std::make_unique<manager::TfrmPC>(ctx); },
      [&] { return std::make_unique<TfrmAbout>(ctx, "1.0.0"); },
      [&] { return std::make_unique<TfrmSupport>(ctx); },
      [&] { return std::make_unique<TfrmMore>(ctx, "Tavrix"); },
  };
  for (auto& make : makers) {
    auto form = make();
    // Else the test could not fail: the face is the replacement (a fallback
    // would report its own name), wider than Windows' (6 pixels a letter).
    auto [face, width] = AsDrawn(form->font.face);
    ASSERT_TRUE(face == form->font.face && width > 6 * static_cast<int>(GetDpiForSystem()) / 96)
        << form->font.face << " is drawn as " << face << ", " << width << " pixels a letter";
    auto window = ui.Open(*form);
    ui.ProcessMessages();
    EXPECT_EQ(CheckWindow(*form), "");
  }
}

}  // namespace
}  // namespace tvx::app
