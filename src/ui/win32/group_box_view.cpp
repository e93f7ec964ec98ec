// A captioned frame around other controls.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class GroupBoxView final : public ChildView {
 public:
  using ChildView::ChildView;

  void Describe(CreateSpec& spec) override {
    spec.windowClass = "BUTTON";
    spec.style = BS_GROUPBOX;
  }
};

}  // namespace

std::unique_ptr<ChildView> MakeGroupBoxView(FormWindow& form, Control& control, int id) {
  return std::make_unique<GroupBoxView>(form, control, id);
}

}  // namespace tvx::ui::win32
