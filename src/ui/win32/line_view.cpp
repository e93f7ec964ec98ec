// Lines and framed strips: decoration that takes no input.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

// An etched line across (or down) the form from its place on.
class LineView final : public ChildView {
 public:
  LineView(FormWindow& form, Bevel& line, int id) : ChildView(form, line, id), line_(line) {}

  void Describe(CreateParams& params) override {
    params.style = line_.vertical ? SS_ETCHEDVERT : SS_ETCHEDHORZ;
    params.text.clear();
  }

  Rect Place() const override {
    Rect r = line_.place;
    if (line_.vertical) {
      if (r.width <= 0) r.width = 2;
      if (r.height <= 0) r.height = form_.Model().clientHeight - r.top;
    } else {
      if (r.height <= 0) r.height = 2;
      if (r.width <= 0) r.width = form_.Model().clientWidth - r.left;
    }
    return r;
  }

 private:
  Bevel& line_;
};

// A strip of the face colour inside a white edge, to the form's edge unless
// its place says otherwise.
class ShapeView final : public ChildView {
 public:
  using ChildView::ChildView;

  void Describe(CreateParams& params) override {
    params.style = SS_OWNERDRAW;
    params.text.clear();
  }

  Rect Place() const override {
    Rect r = control_.place;
    if (r.width <= 0) r.width = form_.Model().clientWidth - r.left;
    if (r.height <= 0) r.height = form_.Model().clientHeight - r.top;
    return r;
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
    RECT rc = item.rcItem;
    COLORREF fill = control_.FaceColor() ? ToColorRef(*control_.FaceColor()) : GetSysColor(COLOR_BTNFACE);
    tvx::win32::ScopedGdiObject brush(CreateSolidBrush(fill));
    FillRect(item.hDC, &rc, static_cast<HBRUSH>(brush.Get()));
    FrameRect(item.hDC, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return true;
  }
};

}  // namespace

std::unique_ptr<ChildView> MakeLineView(FormWindow& form, Control& control, int id) {
  return std::make_unique<LineView>(form, static_cast<Bevel&>(control), id);
}

std::unique_ptr<ChildView> MakeShapeView(FormWindow& form, Control& control, int id) {
  return std::make_unique<ShapeView>(form, control, id);
}

}  // namespace tvx::ui::win32
