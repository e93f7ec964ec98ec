// The input box: a prompt, one edit and OK / Cancel, in a dialog built in
// memory and laid out in pixels at run time.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui {

namespace {

// --- Input box: a dialog built in memory, laid out in pixels at run time. ---

struct InputBoxState {
  std::string prompt;
  std::string text;
};

constexpr int kPromptId = 10;
constexpr int kEditId = 11;

void LayOutInputBox(HWND dialog, InputBoxState& state) {
  int dpi = win32::WindowDpi(dialog);
  auto scale = [dpi](int v) { return MulDiv(v, dpi, 96); };
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));

  // Wide enough for the longest line of the prompt (a path, usually).
  tvx::win32::ScopedWindowDc windowDc(dialog);
  HDC dc = windowDc.Get();
  auto selected = std::make_unique<tvx::win32::ScopedSelect>(dc, font);
  RECT measure{0, 0, 0, 0};
  DrawTextW(dc, tvx::win32::Widen(state.prompt).c_str(), -1, &measure, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &info);
  int maxWidth = (info.rcWork.right - info.rcWork.left) * 9 / 10;
  int margin = scale(12);
  int width = std::min(std::max<int>(scale(360), measure.right + 2 * margin), maxWidth);
  RECT prompt{0, 0, width - 2 * margin, 0};
  DrawTextW(dc, tvx::win32::Widen(state.prompt).c_str(), -1, &prompt,
            DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK | DT_EXPANDTABS);
  selected.reset();

  int y = margin;
  auto make = [&](const wchar_t* cls, const std::string& text, DWORD style, DWORD exStyle, int x, int top, int w, int h,
                  int id) {
    HWND child = CreateWindowExW(exStyle, cls, tvx::win32::Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, top,
                                 w, h, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
  };
  make(L"STATIC", state.prompt, SS_LEFT | SS_NOPREFIX, 0, margin, y, width - 2 * margin, prompt.bottom - prompt.top,
       kPromptId);
  y += prompt.bottom - prompt.top + scale(6);
  HWND edit = make(L"EDIT", state.text, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, margin, y, width - 2 * margin,
                   scale(21), kEditId);
  y += scale(21) + scale(12);
  int buttonWidth = scale(75), buttonHeight = scale(25), gap = scale(8);
  int x = width - margin - 2 * buttonWidth - gap;
  make(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, x, y, buttonWidth, buttonHeight, IDOK);
  make(L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, x + buttonWidth + gap, y, buttonWidth, buttonHeight,
       IDCANCEL);
  y += buttonHeight + margin;

  RECT frame{0, 0, width, y};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)), static_cast<UINT>(dpi));
  int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
  RECT centreOn = info.rcWork;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &centreOn);
  int left = centreOn.left + ((centreOn.right - centreOn.left) - fw) / 2;
  int top = centreOn.top + ((centreOn.bottom - centreOn.top) - fh) / 2;
  left = std::max<int>(info.rcWork.left, std::min<int>(left, info.rcWork.right - fw));
  top = std::max<int>(info.rcWork.top, std::min<int>(top, info.rcWork.bottom - fh));
  SetWindowPos(dialog, nullptr, left, top, fw, fh, SWP_NOZORDER | SWP_NOACTIVATE);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      LayOutInputBox(dialog, *reinterpret_cast<InputBoxState*>(lParam));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        state->text = win32::WindowText(GetDlgItem(dialog, kEditId));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

// DLGTEMPLATE with no items: caption and font only, words in memory order.
std::vector<WORD> InputBoxTemplate(const std::string& title) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* head = reinterpret_cast<DLGTEMPLATE*>(t.data());
  // In front also when another program was active (a drop from Explorer).
  head->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_SETFOREGROUND;
  head->cdit = 0;
  head->cx = 200;
  head->cy = 80;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (wchar_t c : tvx::win32::Widen(title)) t.push_back(static_cast<WORD>(c));
  t.push_back(0);
  t.push_back(8);  // point size
  for (wchar_t c : std::wstring(L"MS Shell Dlg")) t.push_back(static_cast<WORD>(c));
  t.push_back(0);
  return t;
}

HWND OwnerOr(NativeWindow owner) { return owner ? static_cast<HWND>(owner) : GetActiveWindow(); }

}  // namespace

std::optional<std::string> Win32Ui::InputBox(const std::string& title, const std::string& prompt,
                                             const std::string& initial, NativeWindow owner) {
  InputBoxState state{prompt, initial};
  std::vector<WORD> dialog = InputBoxTemplate(title);
  INT_PTR result = DialogBoxIndirectParamW(instance_, reinterpret_cast<DLGTEMPLATE*>(dialog.data()), OwnerOr(owner),
                                           InputBoxProc, reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return std::nullopt;
  return state.text;
}

}  // namespace tvx::ui
