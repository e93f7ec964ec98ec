// A push button: the system's own, or drawn here in the model's colours.
#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class ButtonView final : public ChildView {
 public:
  ButtonView(FormWindow& form, Button& button, int id) : ChildView(form, button, id), button_(button) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"BUTTON";
    if (button_.FaceColor() || button_.TextColor())
      params.style = BS_OWNERDRAW;
    else
      params.style = (button_.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE;
    if (!button_.picture.empty() && !(params.style & BS_OWNERDRAW)) {
      icon_ = LoadPicture(button_.picture);
      if (icon_) params.style |= BS_ICON;
    }
  }

  void Created() override {
    if (icon_) Send(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon_.Get()));
  }

  void OnCommand(int code) override {
    // Clicks sent to a disabled button (BM_CLICK does that) are not the user's.
    if (updating_ || !Usable(button_) || code != BN_CLICKED) return;
    form_.Model().SetActiveControl(&button_);
    button_.RaiseClick();
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    COLORREF face = button_.FaceColor() ? ToColorRef(*button_.FaceColor()) : GetSysColor(COLOR_BTNFACE);
    {
      tvx::win32::ScopedGdiObject brush(CreateSolidBrush(face));
      FillRect(dc, &rc, static_cast<HBRUSH>(brush.Get()));
    }
    DrawEdge(dc, &rc, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    RECT text = rc;
    if (pressed) OffsetRect(&text, 1, 1);
    SetBkMode(dc, TRANSPARENT);
    COLORREF ink = button_.TextColor() ? ToColorRef(*button_.TextColor()) : GetSysColor(COLOR_BTNTEXT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : ink);
    {
      tvx::win32::ScopedSelect font(dc, form_.FontFor(button_.font));
      DrawTextW(dc, tvx::win32::Widen(button_.Text()).c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
      RECT focus = rc;
      InflateRect(&focus, -form_.Scale(4), -form_.Scale(4));
      SetTextColor(dc, ink);
      DrawFocusRect(dc, &focus);
    }
    return true;
  }

  bool Accelerate() override {
    SetFocus(hwnd_);
    Send(BM_CLICK);
    return true;
  }
  bool IsPushButton() const override { return true; }
  bool IsDefaultButton() const override { return button_.isDefault; }

 private:
  Button& button_;
  tvx::win32::ScopedIcon icon_;
};

}  // namespace

std::unique_ptr<ChildView> MakeButtonView(FormWindow& form, Control& control, int id) {
  return std::make_unique<ButtonView>(form, static_cast<Button&>(control), id);
}

}  // namespace tvx::ui::win32
