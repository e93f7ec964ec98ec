#include "ui/win32/win32_ui.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/win32/scoped.h"
#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/drop_target.h"
#include "ui/win32/form_window.h"

namespace tvx::ui {

using win32::FormWindow;

namespace {

// The program's visible, enabled top-level windows are disabled while one of
// its modal things is open, and enabled again afterwards.
class DisabledWindows {
 public:
  DisabledWindows() {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM self) -> BOOL {
          if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            reinterpret_cast<DisabledWindows*>(self)->windows_.push_back(hwnd);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    for (HWND hwnd : windows_) EnableWindow(hwnd, FALSE);
  }
  ~DisabledWindows() { Restore(); }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;
  void Restore() {
    for (HWND hwnd : windows_)
      if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    windows_.clear();
  }

 private:
  std::vector<HWND> windows_;
};

BOOL CALLBACK SelectStartFolder(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

HWND OwnerOr(NativeWindow owner) { return owner ? static_cast<HWND>(owner) : GetActiveWindow(); }

}  // namespace

// ---------------------------------------------------------------------------

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance ? instance : GetModuleHandleW(nullptr)) {
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
}

Win32Ui::~Win32Ui() {
  if (oleStarted_) OleUninitialize();
}

bool Win32Ui::EnsureOle() {
  if (!oleStarted_) oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
  return oleStarted_;
}

MsgResult Win32Ui::ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons) {
  UINT flags = buttons == MsgButtons::YesNo ? MB_YESNO : MB_OK;
  switch (kind) {
    case MsgKind::Information:
      flags |= MB_ICONINFORMATION;
      break;
    case MsgKind::Warning:
      flags |= MB_ICONWARNING;
      break;
    case MsgKind::Error:
      flags |= MB_ICONERROR;
      break;
    case MsgKind::Question:
      flags |= MB_ICONQUESTION;
      break;
  }
  HWND owner = GetActiveWindow();
  // Without an owner every window of the program is disabled while it shows.
  if (!owner) flags |= MB_TASKMODAL | MB_SETFOREGROUND;
  switch (MessageBoxW(owner, tvx::win32::Widen(text).c_str(), tvx::win32::Widen(kAppTitle).c_str(), flags)) {
    case IDOK:
      return MsgResult::Ok;
    case IDYES:
      return MsgResult::Yes;
    case IDNO:
      return MsgResult::No;
    default:
      return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
  }
}

std::optional<std::string> Win32Ui::OpenFile(const OpenFileOptions& options, NativeWindow owner) {
  tvx::win32::ScopedComApartment com;  // the dialog's folder view is made of shell objects
  // "Description|pattern|..." becomes the NUL-separated list the dialog reads.
  std::wstring filter = tvx::win32::Widen(options.filter);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.append(2, L'\0');
  std::wstring initialDir = tvx::win32::Widen(options.initialDir), title = tvx::win32::Widen(options.title);
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerOr(owner);
  ofn.hInstance = instance_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_DONTADDTORECENT | OFN_EXPLORER;
  ++systemPicker_;
  BOOL ok = GetOpenFileNameW(&ofn);
  --systemPicker_;
  if (!ok) return std::nullopt;
  return tvx::win32::Narrow(file.data());
}

std::optional<std::string> Win32Ui::BrowseFolder(const std::string& title, const std::string& startFolder,
                                                 NativeWindow owner) {
  tvx::win32::ScopedComApartment com;
  wchar_t display[MAX_PATH] = {};
  std::wstring wideTitle = tvx::win32::Widen(title), start = tvx::win32::Widen(startFolder);
  BROWSEINFOW info{};
  info.hwndOwner = OwnerOr(owner);
  info.pidlRoot = nullptr;
  info.pszDisplayName = display;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = SelectStartFolder;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());

  PIDLIST_ABSOLUTE chosen;
  {
    DisabledWindows disabled;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    ++systemPicker_;
    chosen = SHBrowseForFolderW(&info);
    --systemPicker_;
    SetErrorMode(oldMode);
  }
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  tvx::win32::ScopedCoTaskMemory owned(chosen);
  BOOL ok = SHGetPathFromIDListW(chosen, path);
  if (!ok) return std::nullopt;
  return tvx::win32::Narrow(path);
}

std::unique_ptr<FormWindow> Win32Ui::CreateFormWindow(Form& form, HWND owner) {
  return std::make_unique<FormWindow>(*this, form, owner);
}

template <typename Done>
void Win32Ui::Loop(Done done) {
  MSG msg;
  while (!terminated_ && !done()) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Win32Ui::ShowModal(Form& form) {
  if (terminated_) return;
  HWND owner = GetActiveWindow();
  form.ResetClosed();
  DisabledWindows disabled;
  auto window = CreateFormWindow(form, owner);
  window->Show();
  Loop([&form] { return form.Closed(); });
  // The window below becomes active again before this one goes, so that its
  // activation handler runs, as it does after a message box.
  disabled.Restore();
  if (owner && IsWindow(owner)) {
    SetWindowPos(window->Hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (GetActiveWindow() != owner) SetActiveWindow(owner);
  }
  window.reset();
}

void Win32Ui::Run(Form& mainForm) {
  if (terminated_) return;
  auto window = CreateFormWindow(mainForm, nullptr);
  window->Show();
  Loop([&mainForm] { return mainForm.Closed(); });
}

void Win32Ui::Terminate() {
  terminated_ = true;
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

int Win32Ui::ModifierKeys() const { return win32::HeldModifierKeys(); }

void Win32Ui::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

bool Win32Ui::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  FormWindow* form = FormWindow::FromHandle(root);
  if (!form) return false;
  bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  if (msg.message == WM_KEYDOWN && !alt && ((msg.wParam == VK_TAB && !ctrl) || msg.wParam == VK_RETURN)) {
    // The focused control's key-down handler sees Tab before it moves the
    // focus, and Enter before the default button does. Enter with Ctrl too:
    // with Ctrl and Shift held it makes no character, so the key-down is
    // the only place a handler can see it.
    win32::ChildView* view = form->ViewOfHandle(msg.hwnd);
    if (view && !view->PreviewKey(static_cast<int>(msg.wParam))) return true;
    if (!IsWindow(root) || FormWindow::FromHandle(root) != form) return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !ctrl && !alt) {
    // A dropped-down list closes first, as it does natively.
    HWND focus = GetFocus();
    if (focus && SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0)) SendMessageW(focus, CB_SHOWDROPDOWN, FALSE, 0);
    form->MoveFocus(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (msg.message == WM_SYSCHAR && msg.wParam < 0x80 && form->HandleAccelerator(static_cast<char>(msg.wParam)))
    return true;
  // A letter typed where the focused control takes no characters (a button,
  // a check box) works the control it marks, as with Alt.
  if (msg.message == WM_CHAR && !ctrl && !alt && msg.wParam > ' ' && msg.wParam < 0x80 &&
      !(SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
        (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) &&
      form->HandleAccelerator(static_cast<char>(msg.wParam)))
    return true;
  return IsDialogMessageW(root, &msg) != FALSE;
}

Win32Ui::Window Win32Ui::Open(Form& form) {
  form.ResetClosed();
  auto window = CreateFormWindow(form, nullptr);
  window->Show();
  return Window(std::move(window));
}

HWND Win32Ui::HandleOf(const Form& form) { return static_cast<HWND>(form.Handle()); }

HWND Win32Ui::HandleOf(const Control& control) {
  auto* view = dynamic_cast<win32::ChildView*>(control.View());
  return view ? view->Handle() : nullptr;
}

IDropTarget* Win32Ui::DropTargetOf(const Control& control) {
  auto* view = dynamic_cast<win32::ChildView*>(control.View());
  return view ? view->DropTarget() : nullptr;
}

std::vector<std::string> Win32Ui::PathsFromDrop(HDROP drop) {
  std::vector<std::string> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    UINT got = DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(got);
    paths.push_back(tvx::win32::Narrow(path));
  }
  return paths;
}

Win32Ui::Window::Window() = default;
Win32Ui::Window::Window(std::unique_ptr<win32::FormWindow> window) : window_(std::move(window)) {}
Win32Ui::Window::Window(Window&&) noexcept = default;
Win32Ui::Window& Win32Ui::Window::operator=(Window&&) noexcept = default;
Win32Ui::Window::~Window() = default;
HWND Win32Ui::Window::Handle() const { return window_ ? window_->Hwnd() : nullptr; }

}  // namespace tvx::ui
