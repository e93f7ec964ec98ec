#pragma once
// A window: its frame, its controls (members of the derived class, registered
// here in construction order) and its form-level events.
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/controls.h"

namespace tvx::ui {

class IUiServices;
class Form;

enum class BorderStyle { FixedSingle, FixedDialog };
// Where a form opens: centred on the desktop, on the window that opens it,
// or on the program's main window (the first of the chain of owners).
enum class Position { ScreenCenter, OwnerCenter, MainFormCenter };

// What a backend attaches to a form.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual NativeWindow Handle() = 0;
  virtual void CaptionChanged() = 0;
  // Ends the window (modal loop or main loop) after OnClose has run.
  virtual void CloseRequested() = 0;
};

class Form {
 public:
  Form(IUiServices& ui, std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  IUiServices& Ui() const { return ui_; }

  // Frame, set by the derived constructor.
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
  BorderStyle border = BorderStyle::FixedDialog;
  bool minimizeBox = false;
  Position position = Position::ScreenCenter;
  Font font{"MS Sans Serif", 0, 8, false};
  // Escape closes the window when no handler took the key (dialog behaviour).
  bool escapeCloses = false;

  // Changes the caption of a shown window too.
  void SetCaption(const std::string& text) {
    caption = text;
    if (view_) view_->CaptionChanged();
  }

  const std::vector<Control*>& Controls() const { return controls_; }
  Control* FindControl(const std::string& name) const;
  // Controls with a tab order, in that order.
  std::vector<Control*> TabOrder() const;

  // Form events.
  std::function<void()> OnActivate;  // became the program's active window
  std::function<void()> OnClose;     // runs however the window closes

  // Closes the window: runs OnClose (once), then ends it.
  void Close();
  bool Closed() const { return closed_; }
  bool Shown() const { return view_ != nullptr; }
  // Reopening state for backends (a form may be shown again after closing).
  void ResetClosed() { closed_ = false; }

  // Runs a handler; a tvx::Error ends it and is shown by the general error handler.
  void Dispatch(const std::function<void()>& handler);

  // The control that has the keyboard focus (the in-memory backend's record,
  // kept in step by the Win32 backend).
  Control* ActiveControl() const { return activeControl_; }
  void SetActiveControl(Control* control) { activeControl_ = control; }
  void FocusControl(Control& control);

  NativeWindow Handle() const { return view_ ? view_->Handle() : nullptr; }
  void AttachView(FormView* view) { view_ = view; }
  FormView* View() const { return view_; }
  void RaiseActivate();

 private:
  friend class Control;
  void Register(Control* control) { controls_.push_back(control); }

  IUiServices& ui_;
  std::string name_;
  std::vector<Control*> controls_;
  Control* activeControl_ = nullptr;
  FormView* view_ = nullptr;
  bool closed_ = false;
  bool closing_ = false;
};

}  // namespace tvx::ui
