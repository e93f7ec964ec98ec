// A check box.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class CheckBoxView final : public ChildView {
 public:
  CheckBoxView(FormWindow& form, CheckBox& box, int id) : ChildView(form, box, id), box_(box) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"BUTTON";
    params.style = BS_AUTOCHECKBOX;
  }

  void Created() override { ShowChecked(); }

  void Mirror(Prop what) override {
    if (what == Prop::Checked)
      ShowChecked();
    else
      ChildView::Mirror(what);
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(box_) || code != BN_CLICKED) return;
    // The box has already changed: the handler sees the new state.
    box_.SetCheckedFromView(Send(BM_GETCHECK) == BST_CHECKED);
    box_.RaiseClick();
  }

  bool Accelerate() override {
    SetFocus(hwnd_);
    Send(BM_CLICK);
    return true;
  }

 private:
  void ShowChecked() { Send(BM_SETCHECK, box_.Checked() ? BST_CHECKED : BST_UNCHECKED); }
  CheckBox& box_;
};

}  // namespace

std::unique_ptr<ChildView> MakeCheckBoxView(FormWindow& form, Control& control, int id) {
  return std::make_unique<CheckBoxView>(form, static_cast<CheckBox&>(control), id);
}

}  // namespace tvx::ui::win32
