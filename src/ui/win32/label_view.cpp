// A label: static text that sizes itself to its caption when its place leaves
// the size open, and whose accelerator focuses the control it names.
#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class LabelView final : public ChildView {
 public:
  LabelView(FormWindow& form, Label& label, int id) : ChildView(form, label, id), label_(label) {}

  void Describe(CreateParams& params) override {
    params.style = SS_LEFT | SS_NOTIFY;
    if (!label_.wordWrap) params.style |= SS_LEFTNOWORDWRAP;
  }

  Rect Place() const override {
    Rect r = label_.place;
    if (r.width > 0 && r.height > 0) return r;
    // Labels size themselves to their caption, as at design time. A memory
    // DC measures as the screen does, without asking for a window's.
    tvx::win32::ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
    tvx::win32::ScopedSelect font(dc.Get(), form_.FontFor(label_.font));
    RECT box{0, 0, r.width > 0 ? form_.ScaleX(r.width) : 0, 0};
    UINT flags = DT_CALCRECT;
    if (label_.wordWrap && r.width > 0) flags |= DT_WORDBREAK;
    std::string text = label_.Text().empty() ? " " : label_.Text();
    DrawTextW(dc.Get(), tvx::win32::Widen(text).c_str(), -1, &box, flags);
    // Back to 96-DPI units: every place is scaled when it is applied.
    if (r.width <= 0) r.width = form_.UnscaleX(box.right - box.left) + 1;
    if (r.height <= 0) r.height = form_.UnscaleY(box.bottom - box.top);
    return r;
  }

  void Mirror(Prop what) override {
    if (what != Prop::Text) return;
    SetWindowTextW(hwnd_, tvx::win32::Widen(label_.Text()).c_str());
    ApplyPlace();
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(label_)) return;
    if (code == STN_CLICKED)
      label_.RaiseClick();
    else if (code == STN_DBLCLK)
      label_.RaiseDblClick();
  }

  bool Accelerate() override {
    Control* target = label_.focusControl;
    if (!target || !Usable(*target)) return false;
    target->SetFocus();
    return true;
  }

 private:
  Label& label_;
};

}  // namespace

std::unique_ptr<ChildView> MakeLabelView(FormWindow& form, Control& control, int id) {
  return std::make_unique<LabelView>(form, static_cast<Label&>(control), id);
}

}  // namespace tvx::ui::win32
