// A drop-down list the user picks from (no typing).
#include "platform/win32/wide.h"
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

  void Created() override { Show(); }

  void Mirror(Prop what) override {
    if (what == Prop::Items)
      Show();
    else if (what == Prop::ItemIndex && whole_)
      Send(CB_SETCURSEL, static_cast<WPARAM>(box_.ItemIndex()));
    else if (what == Prop::ItemIndex)
      ShowChosenOnly();
  }

  void OnCommand(int code) override {
    // The whole list once the user may see or move through it.
    if ((code == CBN_SETFOCUS || code == CBN_DROPDOWN) && !whole_) ShowWhole();
    if (updating_ || !Usable(box_) || code != CBN_SELCHANGE) return;
    // Choosing the entry already shown is a choice too: its handler runs again.
    box_.SetItemIndexFromView(static_cast<int>(Send(CB_GETCURSEL)));
    box_.RaiseChange();
  }

 private:
  // A long list costs the control a message an item (a quarter of a second
  // for 100,000 under Wine): until the box has the focus or drops its list,
  // it holds only the chosen item, which its face shows.
  static constexpr size_t kWholeListAtOnce = 1000;

  void Show() {
    if (box_.Items().size() <= kWholeListAtOnce || GetFocus() == hwnd_)
      ShowWhole();
    else
      ShowChosenOnly();
  }
  void ShowWhole() {
    whole_ = true;
    ShowItems(hwnd_, box_, true);
  }
  void ShowChosenOnly() {
    whole_ = false;
    Send(CB_RESETCONTENT);
    const int chosen = box_.ItemIndex();
    if (chosen < 0 || static_cast<size_t>(chosen) >= box_.Items().size()) return;
    Send(CB_ADDSTRING, 0,
         reinterpret_cast<LPARAM>(tvx::win32::Widen(box_.Items()[static_cast<size_t>(chosen)]).c_str()));
    Send(CB_SETCURSEL, 0);
  }

  ItemsControl& box_;
  bool whole_ = false;
};

}  // namespace

std::unique_ptr<ChildView> MakeDropDownView(FormWindow& form, Control& control, int id) {
  return std::make_unique<DropDownView>(form, static_cast<ItemsControl&>(control), id);
}

}  // namespace tvx::ui::win32
