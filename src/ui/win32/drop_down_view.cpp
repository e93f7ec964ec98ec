// A drop-down list the user picks from (no typing).
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class DropDownView final : public ChildView {
 public:
  DropDownView(FormWindow& form, ItemsControl& box, int id) : ChildView(form, box, id), box_(box) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"COMBOBOX";
    params.style = CBS_DROPDOWNLIST | WS_VSCROLL;
    params.text.clear();
  }
  // The window's height includes its list.
  int ExtraHeight() const override { return 200; }

  void Created() override { ShowItems(hwnd_, box_, true); }

  void Mirror(Prop what) override {
    if (what == Prop::Items)
      ShowItems(hwnd_, box_, true);
    else if (what == Prop::ItemIndex)
      Send(CB_SETCURSEL, static_cast<WPARAM>(box_.ItemIndex()));
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(box_) || code != CBN_SELCHANGE) return;
    // Choosing the entry already shown is a choice too: its handler runs again.
    box_.SetItemIndexFromView(static_cast<int>(Send(CB_GETCURSEL)));
    box_.RaiseChange();
  }

 private:
  ItemsControl& box_;
};

}  // namespace

std::unique_ptr<ChildView> MakeDropDownView(FormWindow& form, Control& control, int id) {
  return std::make_unique<DropDownView>(form, static_cast<ItemsControl&>(control), id);
}

}  // namespace tvx::ui::win32
