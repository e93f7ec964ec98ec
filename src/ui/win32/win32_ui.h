#pragma once
// The real user interface: every form becomes a native window with one child
// control per model control; user input reaches the models' events and model
// changes made from code are mirrored onto the controls.
//
// Besides IUiServices, Win32Ui offers a few hooks for tests that drive real
// windows with messages: Open() creates and shows a form's window without
// entering a message loop, and HandleOf() gives the HWND of a form or control.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/services.h"

namespace tvx::ui {

namespace win32 {
class FormWindow;
}

class Win32Ui : public IUiServices {
 public:
  // A null instance means the running executable's module.
  explicit Win32Ui(HINSTANCE instance = nullptr);
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  MsgResult ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt, const std::string& initial,
                                      NativeWindow owner = nullptr) override;
  std::optional<std::string> OpenFile(const OpenFileOptions& options, NativeWindow owner) override;
  std::optional<std::string> BrowseFolder(const std::string& title, const std::string& startFolder,
                                          NativeWindow owner) override;
  void ShowModal(Form& form) override;
  void Run(Form& mainForm) override;
  void Terminate() override;
  bool Terminated() const override { return terminated_; }
  void ProcessMessages() override;
  int ModifierKeys() const override;

  HINSTANCE Instance() const { return instance_; }

  // --- Testing hooks -------------------------------------------------------

  // A form's native window, alive as long as this object is. Declare it after
  // the form so that it goes first.
  class Window {
   public:
    Window();
    explicit Window(std::unique_ptr<win32::FormWindow> window);
    Window(Window&&) noexcept;
    Window& operator=(Window&&) noexcept;
    ~Window();
    HWND Handle() const;

   private:
    std::unique_ptr<win32::FormWindow> window_;
  };
  // Creates, shows and activates the form's window without a message loop;
  // events are raised as messages arrive (SendMessage, or ProcessMessages).
  Window Open(Form& form);

  // The native window of a shown form or of one of its controls; null when none.
  static HWND HandleOf(const Form& form);
  static HWND HandleOf(const Control& control);

  // The drop target registered on a list view that accepts files; null when none.
  static IDropTarget* DropTargetOf(const Control& control);
  // Takes the files of a CF_HDROP block in drop order (used by the drop target).
  static std::vector<std::string> PathsFromDrop(HDROP drop);

  // --- Backend side --------------------------------------------------------

  // Handles dialog keys (Tab order, accelerators, Enter and Escape) for a
  // message bound to one of the program's windows; true when it was consumed.
  bool PreTranslate(MSG& msg);
  // The message loops: true while the system pickers run, whose closing
  // does not count as the program's window becoming active again.
  bool InSystemPicker() const { return systemPicker_ > 0; }
  // OLE for the drop targets, started on first use.
  bool EnsureOle();

 private:
  // Runs the loop until `done` holds or the application ends.
  template <typename Done>
  void Loop(Done done);
  std::unique_ptr<win32::FormWindow> CreateFormWindow(Form& form, HWND owner);

  HINSTANCE instance_;
  bool terminated_ = false;
  bool oleStarted_ = false;
  int systemPicker_ = 0;
};

}  // namespace tvx::ui
