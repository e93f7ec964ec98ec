// An edit box: one line of text, optionally masked, with a dimmed
// suggestion drawn after the caret when it stands at the end.
#include <string>

#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class EditView final : public ChildView {
 public:
  EditView(FormWindow& form, Edit& edit, int id) : ChildView(form, edit, id), edit_(edit) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"EDIT";
    params.style = ES_AUTOHSCROLL | ES_LEFT;
    if (edit_.flat)
      params.style |= WS_BORDER;
    else
      params.exStyle |= WS_EX_CLIENTEDGE;
  }

  void Created() override {
    if (char mask = edit_.PasswordChar()) Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(mask));
    if (!edit_.Cue().empty()) SetCue();
  }

  void Mirror(Prop what) override {
    switch (what) {
      case Prop::Mask:
        Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(edit_.PasswordChar()));
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
      case Prop::Suggestion:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
      case Prop::Cue:
        SetCue();
        break;
      case Prop::Caret: {
        LRESULT end = GetWindowTextLengthW(hwnd_);
        Send(EM_SETSEL, static_cast<WPARAM>(end), end);
        TrackCaret();
        break;
      }
      default:
        ChildView::Mirror(what);
        TrackCaret();
        break;
    }
  }

  void OnCommand(int code) override {
    if (code == EN_CHANGE) TrackCaret();
    if (updating_ || !Usable(edit_) || code != EN_CHANGE) return;
    std::string text = WindowText(hwnd_);
    if (text == edit_.Text()) return;
    edit_.SetTextFromView(text);
    edit_.RaiseChange();
  }

  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (msg) {
      case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN) {
          if (Usable(edit_)) {
            int key = static_cast<int>(wParam);
            edit_.RaiseKeyDown(key, HeldModifierKeys());
            if (!hwnd_ || form_.Destroying()) return result = 0, true;
            if (key == 0) return result = 0, true;  // swallowed: the box does nothing
          }
        }
        result = CallOriginal(msg, wParam, lParam);
        TrackCaret();
        return true;
      case WM_PAINT:
        result = CallOriginal(msg, wParam, lParam);
        DrawSuggestion();
        return true;
      default:
        return false;
    }
  }

  void Handled(UINT msg) override {
    switch (msg) {
      case WM_CHAR:
      case WM_KEYUP:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_MOUSEMOVE:
      case EM_SETSEL:
      case WM_SETTEXT:
      case WM_CUT:
      case WM_PASTE:
      case WM_CLEAR:
      case WM_UNDO:
      case EM_UNDO:
      case EM_REPLACESEL:
        TrackCaret();
        break;
      default:
        break;
    }
  }

  void TabbedInto() override {
    Send(EM_SETSEL, 0, -1);
    TrackCaret();
  }

 private:
  // Shown while the box has the focus too (TRUE), as it has from the start.
  void SetCue() {
    std::wstring cue = tvx::win32::Widen(edit_.Cue());
    Send(EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
  }

  // Tells the model whether the caret stands at the end with nothing
  // selected; the suggestion shows only then.
  void TrackCaret() {
    if (!hwnd_) return;
    DWORD from = 0, to = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    bool atEnd = from == to && static_cast<int>(to) == GetWindowTextLengthW(hwnd_);
    if (atEnd == edit_.CaretAtEnd()) return;
    edit_.SetCaretAtEndFromView(atEnd);
    if (!edit_.Suggestion().empty()) InvalidateRect(hwnd_, nullptr, TRUE);
  }

  // Draws the suggestion right after the text, in the system's dimmed text
  // colour, clipped to the box's text area; it is no part of the text.
  void DrawSuggestion() {
    if (edit_.Suggestion().empty() || edit_.PasswordChar() || !edit_.CaretAtEnd()) return;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    RECT area{};
    Send(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    tvx::win32::ScopedWindowDc dc(hwnd_);
    if (!dc) return;
    tvx::win32::ScopedSelect font(dc.Get(), reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT)));
    int x = area.left, y = area.top;
    if (!text.empty()) {
      // The end of the text: the last character's place plus its width (a
      // pair of surrogates is one character).
      size_t last = text.size() - 1;
      if (last > 0 && IS_LOW_SURROGATE(text[last]) && IS_HIGH_SURROGATE(text[last - 1])) --last;
      LRESULT place = Send(EM_POSFROMCHAR, last);
      if (place == -1) return;  // scrolled out of sight
      SIZE width{};
      GetTextExtentPoint32W(dc.Get(), text.data() + last, static_cast<int>(text.size() - last), &width);
      x = static_cast<short>(LOWORD(place)) + width.cx;
      y = static_cast<short>(HIWORD(place));
    }
    if (x >= area.right) return;
    std::wstring rest = tvx::win32::Widen(edit_.Suggestion());
    HideCaret(hwnd_);
    IntersectClipRect(dc.Get(), area.left, area.top, area.right, area.bottom);
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), GetSysColor(COLOR_GRAYTEXT));
    TextOutW(dc.Get(), x, y, rest.data(), static_cast<int>(rest.size()));
    ShowCaret(hwnd_);
  }

  Edit& edit_;
};

}  // namespace

std::unique_ptr<ChildView> MakeEditView(FormWindow& form, Control& control, int id) {
  return std::make_unique<EditView>(form, static_cast<Edit&>(control), id);
}

}  // namespace tvx::ui::win32
