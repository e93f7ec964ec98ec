#include "ui/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

#include "platform/error.h"
#include "platform/win32/wide.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"TavrixForm";
constexpr UINT kMsgDropped = WM_APP + 1;
constexpr int kFirstId = 100;

ATOM RegisterFormClass(HINSTANCE instance) {
  static ATOM atom = 0;
  if (atom) return atom;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &FormWindow::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kFormClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

}  // namespace

int WindowDpi(HWND hwnd) {
  if (hwnd) {
    UINT dpi = GetDpiForWindow(hwnd);
    if (dpi) return static_cast<int>(dpi);
  }
  tvx::win32::ScopedWindowDc dc(nullptr);
  int dpi = dc ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  // An unpaired surrogate (typed or pasted) arrives as U+FFFD.
  return tvx::win32::Narrow(text);
}

// ---------------------------------------------------------------------------
// FormWindow

FormWindow::FormWindow(Win32Ui& ui, Form& form, HWND owner) : ui_(ui), form_(form) {
  RegisterFormClass(ui.Instance());
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_POPUP;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (form.minimizeBox) style |= WS_MINIMIZEBOX;
  if (form.border == BorderStyle::FixedDialog) exStyle |= WS_EX_DLGMODALFRAME;
  if (!owner) exStyle |= WS_EX_APPWINDOW;
  // Made in its place at the scale it will most likely have; moved only when
  // the system gives the new window another one.
  int expectedDpi = owner ? static_cast<int>(GetDpiForWindow(owner)) : static_cast<int>(GetDpiForSystem());
  if (expectedDpi <= 0) expectedDpi = WindowDpi(nullptr);
  dpi_ = expectedDpi;
  MeasureUnits();
  RECT place = WindowRectAt(expectedDpi, owner, style, exStyle);
  HWND made =
      CreateWindowExW(exStyle, kFormClass, tvx::win32::Widen(form.caption).c_str(), style, place.left, place.top,
                      place.right - place.left, place.bottom - place.top, owner, nullptr, ui.Instance(), this);
  if (!made) {
    hwnd_ = nullptr;
    throw Error("Unable to create the window " + form.Name());
  }
  dpi_ = WindowDpi(hwnd_);
  if (dpi_ != expectedDpi) {
    fonts_.clear();
    MeasureUnits();
    place = WindowRectAt(dpi_, owner, style, exStyle);
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Children in tab order first so that the system's own dialog navigation
  // agrees with ours; frames and lines last, below what they hold.
  auto isFrame = [](const Control* c) {
    return c->GetKind() == Kind::GroupBox || c->GetKind() == Kind::Shape || c->GetKind() == Kind::Bevel;
  };
  std::vector<Control*> order = form.TabOrder();
  for (Control* c : form.Controls())
    if (c->tabOrder < 0 && !isFrame(c)) order.push_back(c);
  for (Control* c : form.Controls())
    if (c->tabOrder < 0 && isFrame(c)) order.push_back(c);
  const auto& all = form.Controls();
  for (Control* c : order) {
    int index = static_cast<int>(std::find(all.begin(), all.end(), c) - all.begin());
    children_.push_back(MakeView(*this, *c, kFirstId + index));
    children_.back()->Create();
  }
  form.AttachView(this);
}

FormWindow::~FormWindow() {
  destroying_ = true;
  form_.AttachView(nullptr);
  for (auto& child : children_) child->Unhook();
  tooltip_.Reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

RECT FormWindow::WindowRectAt(int dpi, HWND owner, DWORD style, DWORD exStyle) const {
  RECT frame{0, 0, ScaleX(form_.clientWidth), ScaleY(form_.clientHeight)};
  AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi));
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  // Without an owner the window opens on the primary monitor, where the
  // system puts a new window by default.
  HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                           : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  RECT area = info.rcWork;
  RECT centreOn = info.rcMonitor;  // the desktop, taskbar included; kept within the work area below
  HWND centreWindow = form_.position == Position::MainFormCenter && owner ? GetAncestor(owner, GA_ROOTOWNER) : owner;
  if (centreWindow && form_.position != Position::ScreenCenter && IsWindowVisible(centreWindow))
    GetWindowRect(centreWindow, &centreOn);
  int x = centreOn.left + ((centreOn.right - centreOn.left) - width) / 2;
  int y = centreOn.top + ((centreOn.bottom - centreOn.top) - height) / 2;
  x = std::max<int>(area.left, std::min<int>(x, area.right - width));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
  return RECT{x, y, x + width, y + height};
}

FormWindow* FormWindow::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[32] = {};
  if (!GetClassNameW(hwnd, cls, 32) || lstrcmpW(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HFONT FormWindow::FontFor(const Font& font) {
  const Font& base = form_.font;
  std::string face = font.face.empty() ? base.face : font.face;
  int height;  // negative: character height, as the font's em size
  if (font.heightPx > 0)
    height = -MulDiv(font.heightPx, dpi_, 96);
  else if (font.points > 0)
    height = -MulDiv(font.points, dpi_, 72);
  else if (base.heightPx > 0)
    height = -MulDiv(base.heightPx, dpi_, 96);
  else
    height = -MulDiv(base.points > 0 ? base.points : 8, dpi_, 72);
  bool bold = font.bold;
  auto key = std::make_tuple(face, height, bold);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return static_cast<HFONT>(it->second.Get());
  HFONT created =
      CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, tvx::win32::Widen(face).c_str());
  if (!created) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_.emplace(key, tvx::win32::ScopedGdiObject(created));
  return created;
}

void FormWindow::MeasureUnits() {
  // The places were made for "MS Sans Serif" at 8 points as Windows draws it
  // at 96 DPI: letters 6 pixels wide on average (to whole pixels), lines 13
  // pixels high (the dialog base units of that font).
  constexpr int kPlaceLetterWidth = 6, kPlaceLineHeight = 13;
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const int byDpi = MulDiv(1000, dpi_, 96);
  unit_ = {byDpi, byDpi};
  fontScaled_ = {false, false};
  tvx::win32::ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return;
  tvx::win32::ScopedSelect font(dc.Get(), FormFont());
  SIZE letters{};
  TEXTMETRICW metrics{};
  if (!GetTextExtentPoint32W(dc.Get(), kLetters, 52, &letters) || !GetTextMetricsW(dc.Get(), &metrics)) return;
  // The font's base units as Windows works them out for dialog units: the
  // average letter width rounded to whole pixels, and the line height.
  int baseWidth = (letters.cx / 26 + 1) / 2, baseHeight = metrics.tmHeight;
  // Thousandths of a pixel per unit of a place.
  int byWidth = MulDiv(baseWidth, 1000, kPlaceLetterWidth);
  int byHeight = MulDiv(baseHeight, 1000, kPlaceLineHeight);
  // Wider or taller only beyond what the places' font takes at this DPI in
  // whole pixels (8 points at 144 DPI are 19.5 pixels of line, drawn in 20).
  if (baseWidth > (kPlaceLetterWidth * dpi_ + 95) / 96) unit_.first = byWidth, fontScaled_.first = true;
  if (baseHeight > (kPlaceLineHeight * dpi_ + 95) / 96) unit_.second = byHeight, fontScaled_.second = true;
}

ChildView* FormWindow::ViewOf(const Control& control) const {
  for (const auto& child : children_)
    if (&child->Model() == &control) return child.get();
  return nullptr;
}

ChildView* FormWindow::ViewOfHandle(HWND hwnd) const {
  for (const auto& child : children_)
    if (child->Handle() == hwnd) return child.get();
  return nullptr;
}

void FormWindow::CaptionChanged() {
  if (hwnd_) SetWindowTextW(hwnd_, tvx::win32::Widen(form_.caption).c_str());
}

void FormWindow::CloseRequested() {
  // Wakes the loop that waits for this window.
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void FormWindow::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  Control* first = form_.ActiveControl();
  if (!first || !Usable(*first) || !ViewOf(*first)) {
    first = nullptr;
    for (Control* c : form_.TabOrder())
      if (Usable(*c)) {
        first = c;
        break;
      }
  }
  if (first)
    if (ChildView* view = ViewOf(*first)) {
      form_.SetActiveControl(first);
      SetFocus(view->Handle());
    }
  UpdateWindow(hwnd_);
}

void FormWindow::ReportUnexpected(const char* what) {
  // Last resort: nothing may unwind through the system's code.
  try {
    ui_.ShowError(what && *what ? what : "Unexpected error");
  } catch (...) {
  }
}

void FormWindow::PostDrop(ChildView& view) { PostMessageW(hwnd_, kMsgDropped, static_cast<WPARAM>(view.Id()), 0); }

void FormWindow::Layout() {
  for (auto& child : children_) {
    child->ApplyFont();
    child->ApplyPlace();
  }
}

bool FormWindow::FocusActiveControl() {
  Control* active = form_.ActiveControl();
  ChildView* view = active ? ViewOf(*active) : nullptr;
  if (!view || !IsWindowEnabled(view->Handle()) || !IsWindowVisible(view->Handle())) return false;
  SetFocus(view->Handle());
  return true;
}

void FormWindow::OnActivate(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) return;
  // Back to the control that had the focus, as dialogs do.
  if (!FocusActiveControl() && (!GetFocus() || !IsChild(hwnd_, GetFocus()))) SetFocus(hwnd_);
  if (HIWORD(wParam)) return;  // minimised
  // The first activation counts, and every return from one of the program's
  // own windows; a return from another program or a system picker does not.
  HWND previous = reinterpret_cast<HWND>(lParam);
  bool fromOtherProgram =
      awayToOtherProgram_ || (previous && GetWindowThreadProcessId(previous, nullptr) != GetCurrentThreadId());
  awayToOtherProgram_ = false;
  bool counts = !everActivated_ || (!fromOtherProgram && !ui_.InSystemPicker());
  everActivated_ = true;
  if (counts) form_.RaiseActivate();
}

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY && self) {
    // Destroyed by the system (with its owner): the object outlives its window.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  if (!self || self->destroying_) return DefWindowProcW(hwnd, msg, wParam, lParam);
  try {
    return self->Handle(msg, wParam, lParam);
  } catch (const std::exception& e) {
    self->ReportUnexpected(e.what());
  } catch (...) {
    self->ReportUnexpected("");
  }
  return 0;
}

LRESULT FormWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lParam);
      if (ChildView* view = from ? ViewOfHandle(from) : nullptr) {
        view->OnCommand(HIWORD(wParam));
        return 0;
      }
      if (!from && LOWORD(wParam) == IDCANCEL) {
        // Escape that no control took.
        if (form_.escapeCloses) form_.Close();
        return 0;
      }
      break;
    }
    case DM_GETDEFID: {
      // Enter: the focused push button, else the window's default button.
      ChildView* focused = ViewOfHandle(GetFocus());
      if (focused && focused->IsPushButton()) return MAKELRESULT(focused->Id(), DC_HASDEFID);
      for (const auto& child : children_)
        if (child->IsDefaultButton() && Usable(child->Model())) return MAKELRESULT(child->Id(), DC_HASDEFID);
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (ChildView* view = ViewOfHandle(header->hwndFrom)) return view->OnNotify(*header);
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (ChildView* view = ViewOfHandle(item->hwndItem))
        if (view->OnDrawItem(*item)) return TRUE;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (ChildView* view = ViewOfHandle(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = view->OnCtlColor(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_TIMER:
      if (wParam != kTipTimer) break;
      KillTimer(hwnd_, kTipTimer);
      tipTimer_ = false;
      EnsureTips();
      return 0;
    case WM_ACTIVATEAPP:
      // Another program became active: coming back from it is no return
      // from one of this program's own windows.
      if (!wParam) awayToOtherProgram_ = true;
      break;
    case WM_ACTIVATE:
      OnActivate(wParam, lParam);
      return 0;
    case WM_CLOSE:
      form_.Close();
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      fonts_.clear();
      MeasureUnits();
      RECT size = *reinterpret_cast<RECT*>(lParam);
      if (fontScaled_.first || fontScaled_.second) {
        // Where the system suggests, in the size the font needs.
        RECT frame{0, 0, ScaleX(form_.clientWidth), ScaleY(form_.clientHeight)};
        AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                                 static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), static_cast<UINT>(dpi_));
        size.right = size.left + frame.right - frame.left;
        size.bottom = size.top + frame.bottom - frame.top;
      }
      SetWindowPos(hwnd_, nullptr, size.left, size.top, size.right - size.left, size.bottom - size.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case kMsgDropped:
      for (const auto& child : children_)
        if (child->Id() == static_cast<int>(wParam)) child->DeliverDrop();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace tvx::ui::win32
