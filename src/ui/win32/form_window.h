#pragma once
// The generic native window of a form, which holds the views of its controls
// (one binding per control kind, in child_view.h): a new window class needs
// no code here.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <ole2.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ui/form.h"
#include "ui/win32/child_view.h"

namespace tvx::ui {
class Win32Ui;
}

namespace tvx::ui::win32 {

class FormWindow : public FormView {
 public:
  FormWindow(Win32Ui& ui, Form& form, HWND owner);
  ~FormWindow() override;

  static FormWindow* FromHandle(HWND hwnd);

  NativeWindow Handle() override { return hwnd_; }
  void CaptionChanged() override;
  void CloseRequested() override;

  HWND Hwnd() const { return hwnd_; }
  Form& Model() const { return form_; }
  Win32Ui& Ui() const { return ui_; }
  int Scale(int value) const { return MulDiv(value, dpi_, 96); }
  // Places, in 96-DPI pixels made for the form's font as Windows draws it,
  // to pixels of this window: scaled by the DPI, and by the font's measured
  // size where it is wider or taller than that (as dialog units are), so
  // that captions fit whatever font the system substitutes.
  int ScaleX(int value) const { return fontScaled_.first ? MulDiv(value, unit_.first, 1000) : Scale(value); }
  int ScaleY(int value) const { return fontScaled_.second ? MulDiv(value, unit_.second, 1000) : Scale(value); }
  int UnscaleX(int pixels) const {
    return fontScaled_.first ? MulDiv(pixels, 1000, unit_.first) : MulDiv(pixels, 96, dpi_);
  }
  int UnscaleY(int pixels) const {
    return fontScaled_.second ? MulDiv(pixels, 1000, unit_.second) : MulDiv(pixels, 96, dpi_);
  }
  HFONT FontFor(const Font& font);
  HFONT FormFont() { return FontFor(Font{}); }
  ChildView* ViewOf(const Control& control) const;
  ChildView* ViewOfHandle(HWND hwnd) const;

  // Shows the window and gives the focus to its first control.
  void Show();
  // Keyboard navigation: Tab order, accelerators.
  void MoveFocus(bool backwards);
  bool HandleAccelerator(char key);
  // Gives the focus to the form's active control; false when it cannot take it.
  bool FocusActiveControl();
  void UpdateTip(ChildView& view);
  // The mouse came over a control: the tip window is made a moment later.
  void TipsSoon();
  // Handlers' errors beyond tvx::Error must not cross a window procedure.
  void ReportUnexpected(const char* what);
  bool Destroying() const { return destroying_; }
  void PostDrop(ChildView& view);

  // Attaches the window to its object at WM_NCCREATE (the object is the
  // creation parameter), so that no message of the window's life is missed.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  static constexpr UINT_PTR kTipTimer = 1;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnActivate(WPARAM wParam, LPARAM lParam);
  void Layout();
  // Measures the form's font against the one the places were made for.
  void MeasureUnits();
  void EnsureTips();
  void AddTip(ChildView& view);
  // The window's rectangle at the given DPI: the form's client size, centred
  // where the form asks, within the work area.
  RECT WindowRectAt(int dpi, HWND owner, DWORD style, DWORD exStyle) const;

  Win32Ui& ui_;
  Form& form_;
  HWND hwnd_ = nullptr;
  tvx::win32::ScopedWindow tooltip_;
  int dpi_ = 96;
  std::pair<int, int> unit_{1000, 1000};  // pixels per place unit, in thousandths
  std::pair<bool, bool> fontScaled_{false, false};
  bool destroying_ = false;
  bool everActivated_ = false;
  bool awayToOtherProgram_ = false;  // since the last activation
  bool tipsWanted_ = false;
  bool tipTimer_ = false;  // the tip window is made when it fires
  std::vector<std::unique_ptr<ChildView>> children_;
  std::map<std::tuple<std::string, int, bool>, tvx::win32::ScopedGdiObject> fonts_;
};

// Shared by the form window and the input box.
int WindowDpi(HWND hwnd);
std::string WindowText(HWND hwnd);

}  // namespace tvx::ui::win32
