// The tips of a form window's controls, shown when the mouse rests on them.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <commctrl.h>

#include "platform/win32/wide.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {
// The tip window is made this long after the mouse first comes over a control,
// well within the time a tip waits before it shows.
constexpr UINT kTipDelayMs = 100;
}  // namespace

void FormWindow::UpdateTip(ChildView& view) {
  // The tip window is made a moment after the mouse first comes over a
  // control: a window that opens, even under the mouse, does not wait for it.
  if (!tooltip_) {
    if (!view.Model().Hint().empty()) tipsWanted_ = true;
    return;
  }
  AddTip(view);
}

void FormWindow::TipsSoon() {
  if (tooltip_ || !tipsWanted_ || tipTimer_) return;
  tipTimer_ = SetTimer(hwnd_, kTipTimer, kTipDelayMs, nullptr) != 0;
  if (!tipTimer_) EnsureTips();
}

void FormWindow::EnsureTips() {
  if (tooltip_ || !tipsWanted_) return;
  tipsWanted_ = false;
  tooltip_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 ui_.Instance(), nullptr));
  if (!tooltip_) return;
  SendMessageW(tooltip_.Get(), TTM_SETMAXTIPWIDTH, 0, Scale(400));
  for (auto& child : children_) AddTip(*child);
  // The tip window sees the mouse from its next move on; a mouse already
  // resting on a control is shown to it now, so that its tip still comes.
  POINT at{};
  if (!GetCursorPos(&at)) return;
  HWND under = WindowFromPoint(at);
  if (!under || !ViewOfHandle(under)) return;
  MSG move{};
  move.hwnd = under;
  move.message = WM_MOUSEMOVE;
  move.time = static_cast<DWORD>(GetMessageTime());
  move.pt = at;
  ScreenToClient(under, &at);
  move.lParam = MAKELPARAM(at.x, at.y);
  SendMessageW(tooltip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void FormWindow::AddTip(ChildView& view) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(view.Handle());
  SendMessageW(tooltip_.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (view.Model().Hint().empty()) return;
  std::wstring hint = tvx::win32::Widen(view.Model().Hint());
  tool.lpszText = hint.data();
  SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace tvx::ui::win32
