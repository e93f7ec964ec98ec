#include "ui/win32/win32_ui.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/win32/scoped.h"
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
  if (msg == BFFM_INITIALIZED && data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

HWND OwnerOr(NativeWindow owner) { return owner ? static_cast<HWND>(owner) : GetActiveWindow(); }

}  // namespace

// ---------------------------------------------------------------------------

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance ? instance : GetModuleHandleA(nullptr)) {
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
  switch (MessageBoxA(owner, text.c_str(), kAppTitle, flags)) {
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
  std::string filter = options.filter;
  std::replace(filter.begin(), filter.end(), '|', '\0');
  filter.append(2, '\0');
  std::vector<char> file(32768, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerOr(owner);
  ofn.hInstance = instance_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = options.initialDir.empty() ? nullptr : options.initialDir.c_str();
  ofn.lpstrTitle = options.title.empty() ? nullptr : options.title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_DONTADDTORECENT | OFN_EXPLORER;
  ++systemPicker_;
  BOOL ok = GetOpenFileNameA(&ofn);
  --systemPicker_;
  if (!ok) return std::nullopt;
  return std::string(file.data());
}

std::optional<std::string> Win32Ui::BrowseFolder(const std::string& title, const std::string& startFolder,
                                                 NativeWindow owner) {
  tvx::win32::ScopedComApartment com;
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = OwnerOr(owner);
  info.pidlRoot = nullptr;
  info.pszDisplayName = display;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = SelectStartFolder;
  info.lParam = startFolder.empty() ? 0 : reinterpret_cast<LPARAM>(startFolder.c_str());

  PIDLIST_ABSOLUTE chosen;
  {
    DisabledWindows disabled;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    ++systemPicker_;
    chosen = SHBrowseForFolderA(&info);
    --systemPicker_;
    SetErrorMode(oldMode);
  }
  if (!chosen) return std::nullopt;
  char path[MAX_PATH] = {};
  tvx::win32::ScopedCoTaskMemory owned(chosen);
  BOOL ok = SHGetPathFromIDListA(chosen, path);
  if (!ok) return std::nullopt;
  return std::string(path);
}

std::unique_ptr<FormWindow> Win32Ui::CreateFormWindow(Form& form, HWND owner) {
  return std::make_unique<FormWindow>(*this, form, owner);
}

template <typename Done>
void Win32Ui::Loop(Done done) {
  MSG msg;
  while (!terminated_ && !done()) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
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
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

int Win32Ui::ModifierKeys() const {
  int keys = 0;
  if (GetKeyState(VK_SHIFT) < 0) keys |= kShiftKey;
  if (GetKeyState(VK_CONTROL) < 0) keys |= kCtrlKey;
  if (GetKeyState(VK_MENU) < 0) keys |= kAltKey;
  return keys;
}

void Win32Ui::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

bool Win32Ui::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  FormWindow* form = FormWindow::FromHandle(root);
  if (!form) return false;
  bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  if (msg.message == WM_KEYDOWN && !ctrl && !alt && (msg.wParam == VK_TAB || msg.wParam == VK_RETURN)) {
    // The focused control's key-down handler sees Tab before it moves the
    // focus, and an edit's sees Enter before the default button does.
    win32::ChildView* view = form->ViewOfHandle(msg.hwnd);
    if (view && !view->PreviewKey(static_cast<int>(msg.wParam))) return true;
    if (!IsWindow(root) || FormWindow::FromHandle(root) != form) return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !ctrl && !alt) {
    // A dropped-down list closes first, as it does natively.
    HWND focus = GetFocus();
    if (focus && SendMessageA(focus, CB_GETDROPPEDSTATE, 0, 0)) SendMessageA(focus, CB_SHOWDROPDOWN, FALSE, 0);
    form->MoveFocus(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (msg.message == WM_SYSCHAR && form->HandleAccelerator(static_cast<char>(msg.wParam))) return true;
  // A letter typed where the focused control takes no characters (a button,
  // a check box) works the control it marks, as with Alt.
  if (msg.message == WM_CHAR && !ctrl && !alt && msg.wParam > ' ' &&
      !(SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
        (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) &&
      form->HandleAccelerator(static_cast<char>(msg.wParam)))
    return true;
  return IsDialogMessageA(root, &msg) != FALSE;
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
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileA(drop, i, nullptr, 0);
    std::string path(length + 1, '\0');
    UINT got = DragQueryFileA(drop, i, path.data(), length + 1);
    path.resize(got);
    paths.push_back(std::move(path));
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
