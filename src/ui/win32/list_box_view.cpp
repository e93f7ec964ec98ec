// A list box of text items.
#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

void ShowItems(HWND hwnd, const ItemsControl& box, bool dropDown) {
  SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd, dropDown ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  // Room for every item at once: the control otherwise grows its storage a
  // few items at a time, which costs quadratic time for long lists.
  SendMessageW(hwnd, dropDown ? CB_INITSTORAGE : LB_INITSTORAGE, box.Items().size(), box.Items().size() * 32);
  // The model holds the order (sorted or not); the control only shows it.
  for (const auto& item : box.Items())
    SendMessageW(hwnd, dropDown ? CB_ADDSTRING : LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(tvx::win32::Widen(item).c_str()));
  SendMessageW(hwnd, dropDown ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(box.ItemIndex()), 0);
  SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd, nullptr, TRUE);
}

namespace {

class ListBoxView final : public ChildView {
 public:
  ListBoxView(FormWindow& form, ItemsControl& box, int id) : ChildView(form, box, id), box_(box) {}

  void Describe(CreateParams& params) override {
    params.windowClass = L"LISTBOX";
    params.style = LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.text.clear();
  }

  void Created() override { ShowItems(hwnd_, box_, false); }

  void Mirror(Prop what) override {
    if (what == Prop::Items)
      ShowItems(hwnd_, box_, false);
    else if (what == Prop::ItemIndex)
      Send(LB_SETCURSEL, static_cast<WPARAM>(box_.ItemIndex()));
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(box_)) return;
    if (code == LBN_SELCHANGE) {
      box_.SetItemIndexFromView(static_cast<int>(Send(LB_GETCURSEL)));
      box_.RaiseClick();
      box_.RaiseChange();
    } else if (code == LBN_DBLCLK) {
      box_.RaiseDblClick();
    }
  }

 private:
  ItemsControl& box_;
};

}  // namespace

std::unique_ptr<ChildView> MakeListBoxView(FormWindow& form, Control& control, int id) {
  return std::make_unique<ListBoxView>(form, static_cast<ItemsControl&>(control), id);
}

}  // namespace tvx::ui::win32
