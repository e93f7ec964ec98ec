#pragma once
// The view of one model control: a native child window of the form, bound to
// its model by one class per control kind. The base class makes the window,
// subclasses it and handles what every kind shares (text, state, colours,
// keys); a kind fills in a few steps: what to create, how to mirror a change
// of its model, what its commands and notifications mean, how it draws
// itself where it does.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <ole2.h>
#undef MessageBox

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/scoped.h"
#include "ui/controls.h"

namespace tvx::ui::win32 {

class FormWindow;

// What a kind asks for when its native control is made.
struct CreateParams {
  const wchar_t* windowClass = L"STATIC";
  DWORD style = 0;  // beyond WS_CHILD and the model's state
  DWORD exStyle = 0;
  std::string text;
};

class ChildView : public ControlView {
 public:
  ChildView(FormWindow& form, Control& control, int id);
  ~ChildView() override;
  ChildView(const ChildView&) = delete;
  ChildView& operator=(const ChildView&) = delete;

  void Create();  // makes the native control
  void Changed(Control& control, Prop what) final;
  void Focus(Control& control) override;

  Control& Model() const { return control_; }
  HWND Handle() const { return hwnd_; }
  int Id() const { return id_; }
  void ApplyPlace();
  void ApplyFont();
  void Unhook();
  // Colour handling for WM_CTLCOLOR*; null brush means "default".
  HBRUSH OnCtlColor(HDC dc);

  // --- Steps of a control kind ----------------------------------------------

  // Window class, styles and initial text.
  virtual void Describe(CreateParams& params) = 0;
  // The native control exists and has its font: set what creation cannot.
  virtual void Created() {}
  // The place in 96-DPI units (a kind may size itself).
  virtual Rect Place() const { return control_.place; }
  // The window's height beyond the place (a drop-down list holds its list).
  virtual int ExtraHeight() const { return 0; }
  // Mirrors a change made from code beyond the common ones.
  virtual void Mirror(Prop what);
  // WM_COMMAND and WM_NOTIFY from the control, routed by the form window.
  virtual void OnCommand(int code);
  virtual LRESULT OnNotify(NMHDR& header);
  // Owner drawing; false when the kind draws nothing itself.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item);
  // A message to the control before the shared handling; true when handled.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The control has handled a message (its window is still there).
  virtual void Handled(UINT) {}
  // The accelerator of its caption was pressed; true when it acted.
  virtual bool Accelerate() { return false; }
  // Enter acts on a focused push button; the default one acts on it elsewhere.
  virtual bool IsPushButton() const { return false; }
  virtual bool IsDefaultButton() const { return false; }
  // Whether the focus on it makes it the form's active control.
  virtual bool BecomesActive() const { return true; }
  // Tab brought the focus here.
  virtual void TabbedInto() {}
  // A key about to be handled by the window's keyboard navigation (Tab) or
  // its dialog keys (Enter), raised as the model's key-down event first;
  // false when the handler swallowed it.
  virtual bool PreviewKey(int vk);
  // Files dropped on it are handed to the model (posted, after the drop).
  virtual void DeliverDrop() {}
  virtual IDropTarget* DropTarget() const { return nullptr; }
  // The view lets the native control go (its window is about to be destroyed).
  virtual void Unhooking() {}

  // Files dropped on the control, handed to the model once the drop is over.
  void QueueDrop(const std::vector<std::string>& paths);

 protected:
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(hwnd_, msg, wParam, lParam);
  }
  LRESULT CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam);
  // A picture resource at the small icon size of the window's scale.
  tvx::win32::ScopedIcon LoadPicture(const std::string& name) const;

  FormWindow& form_;
  Control& control_;
  HWND hwnd_ = nullptr;
  bool updating_ = false;  // a change made from code is being mirrored
  std::vector<std::string> pendingDrop_;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  bool WantsDialogKey(const MSG* msg) const;
  bool HasFrame() const;

  int id_;
  WNDPROC original_ = nullptr;
};

// The binding of the control's kind.
std::unique_ptr<ChildView> MakeView(FormWindow& form, Control& control, int id);

// One maker per kind, each beside its binding.
std::unique_ptr<ChildView> MakeLabelView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeEditView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeButtonView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeToggleButtonView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeCheckBoxView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeDropDownView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeListBoxView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeListViewView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakePictureView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeLineView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeShapeView(FormWindow& form, Control& control, int id);
std::unique_ptr<ChildView> MakeGroupBoxView(FormWindow& form, Control& control, int id);

// Shared helpers of the bindings.
COLORREF ToColorRef(std::uint32_t rgb);
bool Usable(const Control& c);
// The modifier keys (kShiftKey, kCtrlKey, kAltKey) held when the message being
// handled was sent: the one reading of them, for the models' key events and
// for Win32Ui::ModifierKeys.
int HeldModifierKeys();
// Fills a drop-down list or a list box with the model's items, in its order.
void ShowItems(HWND hwnd, const ItemsControl& box, bool dropDown);

}  // namespace tvx::ui::win32
