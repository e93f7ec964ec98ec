// A toggle button that stays down, drawn as a push button.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class ToggleButtonView final : public ChildView {
 public:
  ToggleButtonView(FormWindow& form, SpeedButton& button, int id) : ChildView(form, button, id), button_(button) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"BUTTON";
    params.style = BS_AUTOCHECKBOX | BS_PUSHLIKE;
  }

  void Created() override { ShowDown(); }

  void Mirror(Prop what) override {
    if (what == Prop::Down)
      ShowDown();
    else
      ChildView::Mirror(what);
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(button_) || code != BN_CLICKED) return;
    button_.SetDownFromView(Send(BM_GETCHECK) == BST_CHECKED);
    button_.RaiseClick();
    // A toggle button never keeps the focus: the click is over (the button
    // let the mouse go before telling), so the focus goes back to the control
    // that had it.
    if (hwnd_ && !form_.Destroying() && GetFocus() == hwnd_) form_.FocusActiveControl();
  }

  bool Accelerate() override {
    SetFocus(hwnd_);
    Send(BM_CLICK);
    return true;
  }
  // It takes the focus only while it is clicked.
  bool BecomesActive() const override { return false; }

 private:
  void ShowDown() { Send(BM_SETCHECK, button_.Down() ? BST_CHECKED : BST_UNCHECKED); }
  SpeedButton& button_;
};

}  // namespace

std::unique_ptr<ChildView> MakeToggleButtonView(FormWindow& form, Control& control, int id) {
  return std::make_unique<ToggleButtonView>(form, static_cast<SpeedButton&>(control), id);
}

}  // namespace tvx::ui::win32
