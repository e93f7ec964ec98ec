#include "ui/win32/child_view.h"

#include <exception>

#include "platform/win32/wide.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {

// The view of a subclassed control, kept in the control's own user data as the
// form window keeps its object (not in a window property: reading one is a
// round trip to the window server on some systems, and the subclass reads it
// for every message). Null once the view has let the control go.
ChildView* ViewOfWindow(HWND hwnd) { return reinterpret_cast<ChildView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

}  // namespace

COLORREF ToColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool Usable(const Control& c) { return c.Enabled() && c.Visible(); }

int HeldModifierKeys() {
  int keys = 0;
  if (GetKeyState(VK_SHIFT) < 0) keys |= kShiftKey;
  if (GetKeyState(VK_CONTROL) < 0) keys |= kCtrlKey;
  if (GetKeyState(VK_MENU) < 0) keys |= kAltKey;
  return keys;
}

std::unique_ptr<ChildView> MakeView(FormWindow& form, Control& control, int id) {
  switch (control.GetKind()) {
    case Kind::Label:
      return MakeLabelView(form, control, id);
    case Kind::Edit:
      return MakeEditView(form, control, id);
    case Kind::Button:
      return MakeButtonView(form, control, id);
    case Kind::SpeedButton:
      return MakeToggleButtonView(form, control, id);
    case Kind::CheckBox:
      return MakeCheckBoxView(form, control, id);
    case Kind::ComboBox:
      return MakeDropDownView(form, control, id);
    case Kind::ListBox:
      return MakeListBoxView(form, control, id);
    case Kind::ListView:
      return MakeListViewView(form, control, id);
    case Kind::Image:
      return MakePictureView(form, control, id);
    case Kind::Bevel:
      return MakeLineView(form, control, id);
    case Kind::Shape:
      return MakeShapeView(form, control, id);
    case Kind::GroupBox:
      return MakeGroupBoxView(form, control, id);
  }
  return nullptr;
}

ChildView::ChildView(FormWindow& form, Control& control, int id) : form_(form), control_(control), id_(id) {}

ChildView::~ChildView() { control_.AttachView(nullptr); }

void ChildView::Create() {
  CreateParams params;
  params.text = control_.Text();
  Describe(params);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | params.style;
  if (control_.Visible()) style |= WS_VISIBLE;
  if (!control_.Enabled()) style |= WS_DISABLED;
  if (control_.tabOrder >= 0) style |= WS_TABSTOP;

  Rect r = Place();
  hwnd_ = CreateWindowExW(params.exStyle, params.windowClass, tvx::win32::Widen(params.text).c_str(), style,
                          form_.ScaleX(r.left), form_.ScaleY(r.top), form_.ScaleX(r.width),
                          form_.ScaleY(r.height + ExtraHeight()), form_.Hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), form_.Ui().Instance(), nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildView::SubclassProc)));
  // Not painted yet: no redraw for the font.
  Send(WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.font)), FALSE);
  control_.AttachView(this);
  Created();
  if (!control_.Hint().empty()) form_.UpdateTip(*this);
}

tvx::win32::ScopedIcon ChildView::LoadPicture(const std::string& name) const {
  int size = form_.Scale(16);
  return tvx::win32::ScopedIcon(static_cast<HICON>(
      LoadImageW(form_.Ui().Instance(), tvx::win32::Widen(name).c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

void ChildView::QueueDrop(const std::vector<std::string>& paths) {
  pendingDrop_.insert(pendingDrop_.end(), paths.begin(), paths.end());
  form_.PostDrop(*this);
}

void ChildView::Unhook() {
  if (!hwnd_) return;
  Unhooking();
  if (original_) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  control_.AttachView(nullptr);
}

void ChildView::ApplyPlace() {
  if (!hwnd_) return;
  Rect r = Place();
  SetWindowPos(hwnd_, nullptr, form_.ScaleX(r.left), form_.ScaleY(r.top), form_.ScaleX(r.width),
               form_.ScaleY(r.height + ExtraHeight()), SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChildView::ApplyFont() {
  if (hwnd_) Send(WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.font)), TRUE);
}

void ChildView::Changed(Control&, Prop what) {
  if (!hwnd_) return;
  updating_ = true;
  switch (what) {
    case Prop::Enabled:
      EnableWindow(hwnd_, control_.Enabled());
      break;
    case Prop::Visible:
      ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Prop::Hint:
      form_.UpdateTip(*this);
      break;
    case Prop::Color:
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case Prop::Font:
      ApplyFont();
      break;
    default:
      Mirror(what);
      break;
  }
  updating_ = false;
}

void ChildView::Mirror(Prop what) {
  if (what == Prop::Text) SetWindowTextW(hwnd_, tvx::win32::Widen(control_.Text()).c_str());
}

void ChildView::Focus(Control&) {
  if (hwnd_) SetFocus(hwnd_);
}

bool ChildView::PreviewKey(int vk) {
  if ((vk != VK_TAB && vk != VK_RETURN) || !Usable(control_)) return true;
  int key = vk == VK_TAB ? kVkTab : kVkReturn;
  control_.RaiseKeyDown(key, HeldModifierKeys());
  return key != 0;
}

void ChildView::OnCommand(int) {}

LRESULT ChildView::OnNotify(NMHDR&) { return 0; }

bool ChildView::OnDrawItem(const DRAWITEMSTRUCT&) { return false; }

bool ChildView::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

HBRUSH ChildView::OnCtlColor(HDC dc) {
  if (!control_.TextColor()) return nullptr;
  SetTextColor(dc, ToColorRef(*control_.TextColor()));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool ChildView::WantsDialogKey(const MSG* msg) const {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_CHAR)) return false;
  if (msg->wParam != VK_RETURN && msg->wParam != VK_ESCAPE) return false;
  return static_cast<bool>(control_.OnKeyPress);
}

LRESULT ChildView::CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(original_, hwnd_, msg, wParam, lParam);
}

bool ChildView::HasFrame() const {
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

LRESULT CALLBACK ChildView::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ChildView* view = ViewOfWindow(hwnd);
  if (!view) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC original = view->original_;
    view->Unhook();
    view->hwnd_ = nullptr;
    return CallWindowProcW(original, hwnd, msg, wParam, lParam);
  }
  try {
    LRESULT result = view->Handle(msg, wParam, lParam);
    // A handler may have closed the window meanwhile.
    if (ViewOfWindow(hwnd) == view && !view->form_.Destroying()) view->Handled(msg);
    return result;
  } catch (const std::exception& e) {
    view->form_.ReportUnexpected(e.what());
  } catch (...) {
    view->form_.ReportUnexpected("");
  }
  return 0;
}

LRESULT ChildView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (form_.Destroying()) return CallOriginal(msg, wParam, lParam);
  LRESULT result = 0;
  if (OnMessage(msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_GETDLGCODE: {
      LRESULT code = CallOriginal(msg, wParam, lParam);
      if (WantsDialogKey(reinterpret_cast<const MSG*>(lParam))) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CHAR: {
      // Handlers see the characters of the ASCII range (Enter, Escape,
      // control keys, letters); any other goes to the control as typed.
      if (wParam >= 0x80) break;
      char key = static_cast<char>(wParam);
      const char original = key;
      if (!Usable(control_)) return CallOriginal(msg, wParam, lParam);
      control_.RaiseKeyPress(key);
      if (!hwnd_ || form_.Destroying()) return 0;
      if (key == 0) return 0;
      if (original == kCharEscape && key == kCharEscape) {
        if (form_.Model().escapeCloses) form_.Model().Close();
        return 0;
      }
      if (original == kCharEnter && key == kCharEnter) {
        // A focused button acts on Enter; other controls have no use for it.
        if (IsPushButton()) control_.RaiseClick();
        return 0;
      }
      return CallOriginal(msg, static_cast<unsigned char>(key) & 0x7F, lParam);
    }
    case WM_KEYUP: {
      LRESULT up = CallOriginal(msg, wParam, lParam);
      if (hwnd_ && Usable(control_)) control_.RaiseKeyUp(static_cast<int>(wParam), HeldModifierKeys());
      return up;
    }
    case WM_SETFOCUS:
      if (BecomesActive()) form_.Model().SetActiveControl(&control_);
      break;
    case WM_NCPAINT:
      // Nothing to draw outside the client area of a control without border
      // or scroll bars; the system's frame painting would still take a
      // device context for it, which costs a window that opens time.
      if (!HasFrame()) return 0;
      break;
    case WM_SETCURSOR:
      form_.TipsSoon();
      if (control_.handCursor) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    default:
      break;
  }
  return CallOriginal(msg, wParam, lParam);
}

}  // namespace tvx::ui::win32
