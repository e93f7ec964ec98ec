// An edit box: one line of text, optionally masked.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class EditView final : public ChildView {
 public:
  EditView(FormWindow& form, Edit& edit, int id) : ChildView(form, edit, id), edit_(edit) {}

  void Describe(CreateSpec& spec) override {
    spec.windowClass = "EDIT";
    spec.style = ES_AUTOHSCROLL | ES_LEFT;
    if (edit_.flat)
      spec.style |= WS_BORDER;
    else
      spec.exStyle |= WS_EX_CLIENTEDGE;
  }

  void Created() override {
    if (char mask = edit_.PasswordChar()) Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(mask));
  }

  void Mirror(Prop what) override {
    switch (what) {
      case Prop::Mask:
        Send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(edit_.PasswordChar()));
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
      default:
        ChildView::Mirror(what);
        break;
    }
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(edit_) || code != EN_CHANGE) return;
    std::string text = WindowText(hwnd_);
    if (text == edit_.Text()) return;
    edit_.SetTextFromView(text);
    edit_.RaiseChange();
  }

  void TabbedInto() override { Send(EM_SETSEL, 0, -1); }

 private:
  Edit& edit_;
};

}  // namespace

std::unique_ptr<ChildView> MakeEditView(FormWindow& form, Control& control, int id) {
  return std::make_unique<EditView>(form, static_cast<Edit&>(control), id);
}

}  // namespace tvx::ui::win32
