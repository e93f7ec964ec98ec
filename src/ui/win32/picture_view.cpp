// A small picture, clicked like a button.
#include "ui/win32/child_view.h"
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

class PictureView final : public ChildView {
 public:
  PictureView(FormWindow& form, Image& image, int id) : ChildView(form, image, id), image_(image) {}

  void Describe(CreateParams& params) override {
    params.style = SS_ICON | SS_NOTIFY | SS_CENTERIMAGE;
    params.text.clear();
  }

  Rect Place() const override {
    Rect r = image_.place;
    if (r.width <= 0) r.width = 16;
    if (r.height <= 0) r.height = 16;
    return r;
  }

  void Created() override {
    if (image_.picture.empty()) return;
    icon_ = LoadPicture(image_.picture);
    if (icon_) Send(STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()));
  }

  void OnCommand(int code) override {
    if (updating_ || !Usable(image_)) return;
    if (code == STN_CLICKED)
      image_.RaiseClick();
    else if (code == STN_DBLCLK)
      image_.RaiseDblClick();
  }

 private:
  Image& image_;
  tvx::win32::ScopedIcon icon_;
};

}  // namespace

std::unique_ptr<ChildView> MakePictureView(FormWindow& form, Control& control, int id) {
  return std::make_unique<PictureView>(form, static_cast<Image&>(control), id);
}

}  // namespace tvx::ui::win32
