#include "ui/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "platform/error.h"
#include "ui/win32/drop_target.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {

constexpr char kFormClass[] = "TavrixForm";
constexpr UINT kMsgDropped = WM_APP + 1;
// The tip window is made this long after the mouse first comes over a control,
// well within the time a tip waits before it shows.
constexpr UINT_PTR kTipTimer = 1;
constexpr UINT kTipDelayMs = 100;
constexpr int kFirstId = 100;

// The view of each subclassed control, by handle. Kept here rather than in a
// window property: reading a property is a round trip to the window server
// on some systems, and the subclass reads it for every message.
std::unordered_map<HWND, ChildView*>& Views() {
  static std::unordered_map<HWND, ChildView*> views;
  return views;
}

COLORREF ToColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

int ShiftState() {
  int shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlKey;
  return shift;
}

// The letter after a single "&" of a caption, 0 when none ("&&" is a literal).
char AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Usable(const Control& c) { return c.Enabled() && c.Visible(); }

ATOM RegisterFormClass(HINSTANCE instance) {
  static ATOM atom = 0;
  if (atom) return atom;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcA;  // replaced per window right after creation
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kFormClass;
  atom = RegisterClassExA(&wc);
  return atom;
}

}  // namespace

int WindowDpi(HWND hwnd) {
  if (hwnd) {
    UINT dpi = GetDpiForWindow(hwnd);
    if (dpi) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int got = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

// ---------------------------------------------------------------------------
// ChildView

ChildView::ChildView(FormWindow& form, Control& control, int id) : form_(form), control_(control), id_(id) {}

ChildView::~ChildView() {
  control_.AttachView(nullptr);
  if (icon_) DestroyIcon(icon_);
}

Rect ChildView::AutoPlace() const {
  Rect r = control_.place;
  switch (control_.GetKind()) {
    case Kind::Label:
      if (r.width <= 0 || r.height <= 0) {
        // Labels size themselves to their caption, as at design time. A
        // memory DC measures as the screen does, without asking for a window's.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, form_.FontFor(control_.font));
        RECT box{0, 0, r.width > 0 ? form_.Scale(r.width) : 0, 0};
        UINT flags = DT_CALCRECT;
        if (static_cast<const Label&>(control_).wordWrap && r.width > 0) flags |= DT_WORDBREAK;
        std::string text = control_.Text().empty() ? " " : control_.Text();
        DrawTextA(dc, text.c_str(), -1, &box, flags);
        SelectObject(dc, old);
        DeleteDC(dc);
        // Back to 96-DPI units: ApplyPlace scales every place.
        int dpi = WindowDpi(form_.Hwnd());
        if (r.width <= 0) r.width = MulDiv(box.right - box.left, 96, dpi) + 1;
        if (r.height <= 0) r.height = MulDiv(box.bottom - box.top, 96, dpi);
      }
      break;
    case Kind::Image:
      if (r.width <= 0) r.width = 16;
      if (r.height <= 0) r.height = 16;
      break;
    case Kind::Bevel:
      if (static_cast<const Bevel&>(control_).vertical) {
        if (r.width <= 0) r.width = 2;
        if (r.height <= 0) r.height = form_.Model().clientHeight - r.top;
      } else {
        if (r.height <= 0) r.height = 2;
        if (r.width <= 0) r.width = form_.Model().clientWidth - r.left;
      }
      break;
    case Kind::Shape:
      if (r.width <= 0) r.width = form_.Model().clientWidth - r.left;
      if (r.height <= 0) r.height = form_.Model().clientHeight - r.top;
      break;
    default:
      break;
  }
  return r;
}

void ChildView::Create() {
  const char* cls = "STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  if (control_.Visible()) style |= WS_VISIBLE;
  if (!control_.Enabled()) style |= WS_DISABLED;
  if (control_.tabOrder >= 0) style |= WS_TABSTOP;
  std::string text = control_.Text();
  switch (control_.GetKind()) {
    case Kind::Label:
      style |= SS_LEFT | SS_NOTIFY;
      if (!static_cast<Label&>(control_).wordWrap) style |= SS_LEFTNOWORDWRAP;
      break;
    case Kind::Edit: {
      auto& edit = static_cast<Edit&>(control_);
      cls = "EDIT";
      style |= ES_AUTOHSCROLL | ES_LEFT;
      if (edit.flat)
        style |= WS_BORDER;
      else
        exStyle |= WS_EX_CLIENTEDGE;
      break;
    }
    case Kind::Button: {
      auto& button = static_cast<Button&>(control_);
      cls = "BUTTON";
      if (control_.FaceColor() || control_.TextColor())
        style |= BS_OWNERDRAW;
      else
        style |= (button.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE;
      if (!button.picture.empty() && !(style & BS_OWNERDRAW)) {
        int size = form_.Scale(16);
        icon_ = static_cast<HICON>(
            LoadImageA(form_.Ui().Instance(), button.picture.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        if (icon_) style |= BS_ICON;
      }
      break;
    }
    case Kind::SpeedButton:
      cls = "BUTTON";
      style |= BS_AUTOCHECKBOX | BS_PUSHLIKE;
      break;
    case Kind::CheckBox:
      cls = "BUTTON";
      style |= BS_AUTOCHECKBOX;
      break;
    case Kind::ComboBox:
      cls = "COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL;
      text.clear();
      break;
    case Kind::ListBox:
      cls = "LISTBOX";
      style |= LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
      exStyle |= WS_EX_CLIENTEDGE;
      text.clear();
      break;
    case Kind::ListView: {
      auto& list = static_cast<ListView&>(control_);
      cls = WC_LISTVIEWA;
      style |= LVS_REPORT | LVS_OWNERDATA;
      if (!list.hideSelection) style |= LVS_SHOWSELALWAYS;
      if (!list.multiSelect) style |= LVS_SINGLESEL;
      exStyle |= WS_EX_CLIENTEDGE;
      text.clear();
      break;
    }
    case Kind::Image:
      style |= SS_ICON | SS_NOTIFY | SS_CENTERIMAGE;
      text.clear();
      break;
    case Kind::Bevel:
      style |= static_cast<Bevel&>(control_).vertical ? SS_ETCHEDVERT : SS_ETCHEDHORZ;
      text.clear();
      break;
    case Kind::Shape:
      style |= SS_OWNERDRAW;
      text.clear();
      break;
    case Kind::GroupBox:
      cls = "BUTTON";
      style |= BS_GROUPBOX;
      break;
  }

  Rect r = AutoPlace();
  int height = r.height;
  // A drop-down list's window height includes its list.
  if (control_.GetKind() == Kind::ComboBox) height += 200;
  hwnd_ = CreateWindowExA(exStyle, cls, text.c_str(), style, form_.Scale(r.left), form_.Scale(r.top),
                          form_.Scale(r.width), form_.Scale(height), form_.Hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), form_.Ui().Instance(), nullptr);
  if (!hwnd_) return;
  Views()[hwnd_] = this;
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildView::SubclassProc)));
  // Not painted yet: no redraw for the font.
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.font)), FALSE);
  control_.AttachView(this);

  switch (control_.GetKind()) {
    case Kind::Edit:
      if (char mask = static_cast<Edit&>(control_).PasswordChar())
        SendMessageA(hwnd_, EM_SETPASSWORDCHAR, static_cast<unsigned char>(mask), 0);
      break;
    case Kind::Button:
      if (icon_) SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon_));
      break;
    case Kind::SpeedButton:
      SendMessageA(hwnd_, BM_SETCHECK, static_cast<SpeedButton&>(control_).Down() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Kind::CheckBox:
      SendMessageA(hwnd_, BM_SETCHECK, static_cast<CheckBox&>(control_).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Kind::ComboBox:
    case Kind::ListBox:
      FillItems();
      break;
    case Kind::ListView: {
      auto& list = static_cast<ListView&>(control_);
      DWORD ex = LVS_EX_DOUBLEBUFFER;
      if (list.gridLines) ex |= LVS_EX_GRIDLINES;
      if (list.rowSelect) ex |= LVS_EX_FULLROWSELECT;
      SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
      for (size_t i = 0; i < list.columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(list.columns[i].caption.c_str());
        column.cx = form_.Scale(list.columns[i].width);
        column.iSubItem = static_cast<int>(i);
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
      }
      SyncRows();
      if (list.acceptsFileDrop && form_.Ui().EnsureOle()) {
        drop_ = std::make_unique<FileDropTarget>(*this);
        if (FAILED(RegisterDragDrop(hwnd_, drop_.get()))) drop_.reset();
      }
      break;
    }
    case Kind::Image: {
      auto& image = static_cast<Image&>(control_);
      if (!image.picture.empty()) {
        int size = form_.Scale(16);
        icon_ = static_cast<HICON>(
            LoadImageA(form_.Ui().Instance(), image.picture.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        if (icon_) SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
      }
      break;
    }
    default:
      break;
  }
  if (!control_.Hint().empty()) form_.UpdateTip(*this);
}

IDropTarget* ChildView::DropTarget() const { return drop_.get(); }

void ChildView::Unhook() {
  if (!hwnd_) return;
  if (drop_) {
    RevokeDragDrop(hwnd_);
    drop_.reset();
  }
  if (original_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  Views().erase(hwnd_);
  control_.AttachView(nullptr);
}

void ChildView::ApplyPlace() {
  if (!hwnd_) return;
  Rect r = AutoPlace();
  int height = r.height + (control_.GetKind() == Kind::ComboBox ? 200 : 0);
  SetWindowPos(hwnd_, nullptr, form_.Scale(r.left), form_.Scale(r.top), form_.Scale(r.width), form_.Scale(height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChildView::ApplyFont() {
  if (hwnd_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.font)), TRUE);
}

void ChildView::FillItems() {
  auto& box = static_cast<ItemsControl&>(control_);
  bool combo = control_.GetKind() == Kind::ComboBox;
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(hwnd_, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  // Room for every item at once: the control otherwise grows its storage a
  // few items at a time, which costs quadratic time for long lists.
  SendMessageA(hwnd_, combo ? CB_INITSTORAGE : LB_INITSTORAGE, box.Items().size(), box.Items().size() * 16);
  // The model holds the order (sorted or not); the control only shows it.
  for (const auto& item : box.Items())
    SendMessageA(hwnd_, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(hwnd_, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(box.ItemIndex()), 0);
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ChildView::SyncRows() {
  auto& list = static_cast<ListView&>(control_);
  updating_ = true;
  SendMessageA(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(list.RowCount()), LVSICF_NOINVALIDATEALL);
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED;
  SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  shownSelection_.assign(static_cast<size_t>(list.RowCount()), 0);
  updating_ = false;
  SyncSelection();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ChildView::SyncSelection() {
  auto& list = static_cast<ListView&>(control_);
  if (shownSelection_.size() != static_cast<size_t>(list.RowCount())) {
    SyncRows();
    return;
  }
  updating_ = true;
  for (int i = 0; i < list.RowCount(); ++i) {
    char selected = list.IsSelected(i) ? 1 : 0;
    if (shownSelection_[static_cast<size_t>(i)] == selected) continue;
    shownSelection_[static_cast<size_t>(i)] = selected;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  updating_ = false;
}

void ChildView::UpdateSelectionFromControl(int from, int to) {
  auto& list = static_cast<ListView&>(control_);
  if (shownSelection_.size() != static_cast<size_t>(list.RowCount())) return;
  if (from < 0) {
    from = 0;
    to = list.RowCount() - 1;
  }
  to = std::min(to, list.RowCount() - 1);
  // Deselections first, so that a handler reading the selection never sees
  // the old and the new row selected together.
  std::vector<std::pair<int, bool>> changes;
  for (int i = from; i <= to; ++i) {
    bool selected = (SendMessageA(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED) != 0;
    if (shownSelection_[static_cast<size_t>(i)] != (selected ? 1 : 0)) {
      shownSelection_[static_cast<size_t>(i)] = selected ? 1 : 0;
      changes.emplace_back(i, selected);
    }
  }
  std::stable_partition(changes.begin(), changes.end(), [](const auto& c) { return !c.second; });
  for (const auto& [index, selected] : changes) {
    if (index < list.RowCount()) list.SetSelectedFromView(index, selected);
    // A handler may have changed the list; the control follows the model.
    if (!hwnd_ || form_.Destroying()) return;
  }
  if (!changes.empty()) SyncSelection();
}

void ChildView::Changed(Control&, Prop what) {
  if (!hwnd_) return;
  updating_ = true;
  switch (what) {
    case Prop::Text:
      if (control_.GetKind() != Kind::ComboBox && control_.GetKind() != Kind::ListBox &&
          control_.GetKind() != Kind::ListView) {
        SetWindowTextA(hwnd_, control_.Text().c_str());
        if (control_.GetKind() == Kind::Label) ApplyPlace();
      }
      break;
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
    case Prop::Checked:
      SendMessageA(hwnd_, BM_SETCHECK, static_cast<CheckBox&>(control_).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Prop::Down:
      SendMessageA(hwnd_, BM_SETCHECK, static_cast<SpeedButton&>(control_).Down() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Prop::Items:
      FillItems();
      break;
    case Prop::ItemIndex:
      SendMessageA(hwnd_, control_.GetKind() == Kind::ComboBox ? CB_SETCURSEL : LB_SETCURSEL,
                   static_cast<WPARAM>(static_cast<ItemsControl&>(control_).ItemIndex()), 0);
      break;
    case Prop::Mask:
      SendMessageA(hwnd_, EM_SETPASSWORDCHAR, static_cast<unsigned char>(static_cast<Edit&>(control_).PasswordChar()),
                   0);
      InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case Prop::Rows:
      updating_ = false;
      SyncRows();
      break;
    case Prop::Selection:
      updating_ = false;
      SyncSelection();
      break;
    case Prop::Suggestion:
    case Prop::Caret:
      break;
  }
  updating_ = false;
}

void ChildView::Focus(Control&) {
  if (hwnd_) SetFocus(hwnd_);
}

void ChildView::OnCommand(int code) {
  // Clicks sent to a disabled control (BM_CLICK does that) are not the user's.
  if (updating_ || !Usable(control_)) return;
  switch (control_.GetKind()) {
    case Kind::Edit:
      if (code == EN_CHANGE) {
        std::string text = WindowText(hwnd_);
        if (text == control_.Text()) return;
        control_.SetTextFromView(text);
        control_.RaiseChange();
      }
      break;
    case Kind::Button:
      if (code == BN_CLICKED) {
        form_.Model().SetActiveControl(&control_);
        control_.RaiseClick();
      }
      break;
    case Kind::SpeedButton:
      if (code == BN_CLICKED) {
        static_cast<SpeedButton&>(control_).SetDownFromView(SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED);
        control_.RaiseClick();
        // A speed button never keeps the focus: the click is over (the
        // button let the mouse go before telling), so the focus goes back
        // to the control that had it.
        if (hwnd_ && !form_.Destroying() && GetFocus() == hwnd_) form_.FocusActiveControl();
      }
      break;
    case Kind::CheckBox:
      if (code == BN_CLICKED) {
        // The box has already changed: the handler sees the new state.
        static_cast<CheckBox&>(control_).SetCheckedFromView(SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED);
        control_.RaiseClick();
      }
      break;
    case Kind::ComboBox:
      if (code == CBN_SELCHANGE) {
        auto& box = static_cast<ItemsControl&>(control_);
        // Choosing the entry already shown is a choice too: its handler runs again.
        int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
        box.SetItemIndexFromView(index);
        control_.RaiseChange();
      }
      break;
    case Kind::ListBox:
      if (code == LBN_SELCHANGE) {
        static_cast<ItemsControl&>(control_).SetItemIndexFromView(
            static_cast<int>(SendMessageA(hwnd_, LB_GETCURSEL, 0, 0)));
        control_.RaiseClick();
        control_.RaiseChange();
      } else if (code == LBN_DBLCLK) {
        control_.RaiseDblClick();
      }
      break;
    case Kind::Label:
    case Kind::Image:
      if (code == STN_CLICKED)
        control_.RaiseClick();
      else if (code == STN_DBLCLK)
        control_.RaiseDblClick();
      break;
    default:
      break;
  }
}

LRESULT ChildView::OnNotify(NMHDR& header) {
  if (control_.GetKind() != Kind::ListView) return 0;
  auto& list = static_cast<ListView&>(control_);
  switch (header.code) {
    case LVN_GETDISPINFOA: {
      auto& info = reinterpret_cast<NMLVDISPINFOA&>(header);
      if ((info.item.mask & LVIF_TEXT) && info.item.iItem >= 0 && info.item.iItem < list.RowCount() &&
          info.item.cchTextMax > 0) {
        std::string cell = list.Cell(info.item.iItem, info.item.iSubItem);
        size_t n = std::min(cell.size(), static_cast<size_t>(info.item.cchTextMax - 1));
        cell.copy(info.item.pszText, n);
        info.item.pszText[n] = '\0';
      }
      break;
    }
    case LVN_ITEMCHANGED: {
      auto& change = reinterpret_cast<NMLISTVIEW&>(header);
      if (updating_ || !(change.uChanged & LVIF_STATE)) break;
      const UINT changed = change.uOldState ^ change.uNewState;
      if ((changed & LVIS_SELECTED) == 0 && change.iItem >= 0) {
        // A row that only gains or loses the focus is a change of the list too.
        if (changed & LVIS_FOCUSED) control_.RaiseChange();
        break;
      }
      UpdateSelectionFromControl(change.iItem, change.iItem < 0 ? list.RowCount() - 1 : change.iItem);
      break;
    }
    case LVN_ODSTATECHANGED: {
      auto& change = reinterpret_cast<NMLVODSTATECHANGE&>(header);
      if (!updating_) UpdateSelectionFromControl(change.iFrom, change.iTo);
      break;
    }
    case NM_DBLCLK:
      control_.RaiseDblClick();
      break;
    case NM_CLICK:
      control_.RaiseClick();
      break;
    default:
      break;
  }
  return 0;
}

bool ChildView::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT rc = item.rcItem;
  if (control_.GetKind() == Kind::Shape) {
    // A strip of the face colour inside a white edge.
    COLORREF fill = control_.FaceColor() ? ToColorRef(*control_.FaceColor()) : GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return true;
  }
  if (control_.GetKind() != Kind::Button) return false;
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  COLORREF face = control_.FaceColor() ? ToColorRef(*control_.FaceColor()) : GetSysColor(COLOR_BTNFACE);
  HBRUSH brush = CreateSolidBrush(face);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
  DrawEdge(dc, &rc, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  RECT text = rc;
  if (pressed) OffsetRect(&text, 1, 1);
  SetBkMode(dc, TRANSPARENT);
  COLORREF ink = control_.TextColor() ? ToColorRef(*control_.TextColor()) : GetSysColor(COLOR_BTNTEXT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : ink);
  HGDIOBJ old = SelectObject(dc, form_.FontFor(control_.font));
  DrawTextA(dc, control_.Text().c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = rc;
    InflateRect(&focus, -form_.Scale(4), -form_.Scale(4));
    SetTextColor(dc, ink);
    DrawFocusRect(dc, &focus);
  }
  return true;
}

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
  return CallWindowProcA(original_, hwnd_, msg, wParam, lParam);
}

bool ChildView::HasFrame() const {
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

LRESULT CALLBACK ChildView::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto found = Views().find(hwnd);
  ChildView* view = found == Views().end() ? nullptr : found->second;
  if (!view) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC original = view->original_;
    view->Unhook();
    view->hwnd_ = nullptr;
    return CallWindowProcA(original, hwnd, msg, wParam, lParam);
  }
  try {
    return view->Handle(msg, wParam, lParam);
  } catch (const std::exception& e) {
    view->form_.ReportUnexpected(e.what());
  } catch (...) {
    view->form_.ReportUnexpected("");
  }
  return 0;
}

LRESULT ChildView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (form_.Destroying()) return CallOriginal(msg, wParam, lParam);
  switch (msg) {
    case WM_GETDLGCODE: {
      LRESULT code = CallOriginal(msg, wParam, lParam);
      if (WantsDialogKey(reinterpret_cast<const MSG*>(lParam))) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CHAR: {
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
        if (control_.GetKind() == Kind::Button) control_.RaiseClick();
        return 0;
      }
      return CallOriginal(msg, static_cast<unsigned char>(key), lParam);
    }
    case WM_KEYUP: {
      LRESULT result = CallOriginal(msg, wParam, lParam);
      if (hwnd_ && Usable(control_)) control_.RaiseKeyUp(static_cast<int>(wParam), ShiftState());
      return result;
    }
    case WM_SETFOCUS:
      // A speed button takes the focus only while it is clicked.
      if (control_.GetKind() != Kind::SpeedButton) form_.Model().SetActiveControl(&control_);
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
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    default:
      break;
  }
  return CallOriginal(msg, wParam, lParam);
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
  RECT place = WindowRectAt(expectedDpi, owner, style, exStyle);
  hwnd_ = CreateWindowExA(exStyle, kFormClass, form.caption.c_str(), style, place.left, place.top,
                          place.right - place.left, place.bottom - place.top, owner, nullptr, ui.Instance(), nullptr);
  if (!hwnd_) throw Error("Unable to create the window " + form.Name());
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::WindowProc));
  dpi_ = WindowDpi(hwnd_);
  if (dpi_ != expectedDpi) {
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
    children_.push_back(std::make_unique<ChildView>(*this, *c, kFirstId + index));
    children_.back()->Create();
  }
  form.AttachView(this);
}

FormWindow::~FormWindow() {
  destroying_ = true;
  form_.AttachView(nullptr);
  for (auto& child : children_) child->Unhook();
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (tooltip_) DestroyWindow(tooltip_);
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

RECT FormWindow::WindowRectAt(int dpi, HWND owner, DWORD style, DWORD exStyle) const {
  RECT frame{0, 0, MulDiv(form_.clientWidth, dpi, 96), MulDiv(form_.clientHeight, dpi, 96)};
  AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi));
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  // Without an owner the window opens on the primary monitor, where the
  // system puts a new window by default.
  HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                           : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(monitor, &info);
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
  char cls[32] = {};
  if (!GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpA(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
  if (it != fonts_.end()) return it->second;
  HFONT created =
      CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (!created) created = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = created;
  return created;
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
  if (hwnd_) SetWindowTextA(hwnd_, form_.caption.c_str());
}

void FormWindow::CloseRequested() {
  // Wakes the loop that waits for this window.
  PostMessageA(hwnd_, WM_NULL, 0, 0);
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

void FormWindow::MoveFocus(bool backwards) {
  std::vector<Control*> order;
  for (Control* c : form_.TabOrder())
    if (Usable(*c) && ViewOf(*c)) order.push_back(c);
  if (order.empty()) return;
  HWND focus = GetFocus();
  int at = -1;
  for (size_t i = 0; i < order.size(); ++i) {
    HWND h = ViewOf(*order[i])->Handle();
    if (h == focus || IsChild(h, focus)) at = static_cast<int>(i);
  }
  int n = static_cast<int>(order.size());
  int next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
  ChildView* view = ViewOf(*order[static_cast<size_t>(next)]);
  SetFocus(view->Handle());
  if (order[static_cast<size_t>(next)]->GetKind() == Kind::Edit) SendMessageA(view->Handle(), EM_SETSEL, 0, -1);
}

bool FormWindow::HandleAccelerator(char key) {
  char wanted = LowerAscii(key);
  for (const auto& child : children_) {
    Control& c = child->Model();
    if (!Usable(c) || LowerAscii(AcceleratorOf(c.Text())) != wanted || wanted == 0) continue;
    switch (c.GetKind()) {
      case Kind::Label:
        if (auto* target = static_cast<Label&>(c).focusControl)
          if (Usable(*target)) {
            target->SetFocus();
            return true;
          }
        break;
      case Kind::Button:
      case Kind::CheckBox:
      case Kind::SpeedButton:
        SetFocus(child->Handle());
        SendMessageA(child->Handle(), BM_CLICK, 0, 0);
        return true;
      default:
        break;
    }
  }
  return false;
}

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
  tooltip_ =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, ui_.Instance(), nullptr);
  if (!tooltip_) return;
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(400));
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
  SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void FormWindow::AddTip(ChildView& view) {
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(view.Handle());
  SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  if (view.Model().Hint().empty()) return;
  tool.lpszText = const_cast<char*>(view.Model().Hint().c_str());
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void FormWindow::ReportUnexpected(const char* what) {
  // Last resort: nothing may unwind through the system's code.
  try {
    ui_.ShowError(what && *what ? what : "Unexpected error");
  } catch (...) {
  }
}

void FormWindow::PostDrop(ChildView& view) { PostMessageA(hwnd_, kMsgDropped, static_cast<WPARAM>(view.Id()), 0); }

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
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->destroying_) return DefWindowProcA(hwnd, msg, wParam, lParam);
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
      if (focused && focused->Model().GetKind() == Kind::Button) return MAKELRESULT(focused->Id(), DC_HASDEFID);
      for (const auto& child : children_)
        if (child->Model().GetKind() == Kind::Button && static_cast<Button&>(child->Model()).isDefault &&
            Usable(child->Model()))
          return MAKELRESULT(child->Id(), DC_HASDEFID);
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
      for (auto& [key, font] : fonts_) DeleteObject(font);
      fonts_.clear();
      auto* suggested = reinterpret_cast<RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case kMsgDropped:
      for (const auto& child : children_)
        if (child->Id() == static_cast<int>(wParam) && child->Model().GetKind() == Kind::ListView) {
          std::vector<std::string> paths;
          paths.swap(child->pendingDrop);
          if (!paths.empty()) static_cast<ListView&>(child->Model()).RaiseDropFiles(paths);
        }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

}  // namespace tvx::ui::win32
