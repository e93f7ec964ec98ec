// A captioned frame around other controls.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class GroupBoxView final : public ChildView {
 public:
  using ChildView::ChildView;

  void Describe(CreateParams& params) override {
    params.windowClass = L"BUTTON";
    params.style = BS_GROUPBOX;
  }

  // The system's frame draws only its edge and caption and leaves the inside
  // to the window below, which does not paint under its children: the inside
  // is painted here, in the window's background (the controls the frame holds
  // lie above it and are not painted over).
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (msg != WM_ERASEBKGND) return false;
    RECT inside{};
    GetClientRect(hwnd_, &inside);
    FillRect(reinterpret_cast<HDC>(wParam), &inside, GetSysColorBrush(COLOR_BTNFACE));
    result = TRUE;
    return true;
  }
};

}  // namespace

std::unique_ptr<ChildView> MakeGroupBoxView(FormWindow& form, Control& control, int id) {
  return std::make_unique<GroupBoxView>(form, control, id);
}

}  // namespace tvx::ui::win32
