#pragma once
// Modal things every window needs, behind one interface: message boxes, the
// input box, the file and folder pickers, showing a window modally and the
// application's message loop. The Win32 backend implements it for real; tests
// use the in-memory one (memory_backend.h).
#include <optional>
#include <string>

#include "platform/platform.h"

namespace tvx::ui {

class Form;

// The application title: taskbar text and caption of the program's message boxes.
inline constexpr const char* kAppTitle = "Tavrix";

enum class MsgKind { Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct OpenFileOptions {
  std::string title;       // "Browse for File"
  std::string filter;      // "All Files (*.*)|*.*"
  std::string initialDir;  // "C:\" until a browse sets another
};

class IUiServices {
 public:
  virtual ~IUiServices() = default;

  // A message box with the caption "Tavrix". Closing the box without a button
  // gives Cancel (with Yes/No: No).
  virtual MsgResult ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons) = 0;
  // The general error handler: error icon, OK, caption "Tavrix", the text with
  // the full-stop rule applied (ErrorBoxText).
  void ShowError(const std::string& message);

  // Title, prompt (may hold line breaks) and an edit field that starts with
  // `initial`, modal to `owner` (or, without one, to the active window);
  // nullopt on Cancel.
  virtual std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                              const std::string& initial, NativeWindow owner = nullptr) = 0;
  // The open-file dialog; nullopt on Cancel.
  virtual std::optional<std::string> OpenFile(const OpenFileOptions& options, NativeWindow owner) = 0;
  // The folder browser (file-system folders only); `startFolder` selected when
  // not empty; other windows disabled and critical-error boxes suppressed while
  // it is open; nullopt on Cancel.
  virtual std::optional<std::string> BrowseFolder(const std::string& title, const std::string& startFolder,
                                                  NativeWindow owner) = 0;

  // Shows the form modally over the current active window and returns when it
  // has closed; its native window is destroyed then.
  virtual void ShowModal(Form& form) = 0;
  // Shows the main window and runs the message loop until it closes or
  // Terminate is called.
  virtual void Run(Form& mainForm) = 0;
  // Asks the application to end: the loop stops as soon as control returns to it.
  virtual void Terminate() = 0;
  virtual bool Terminated() const = 0;
  // Lets pending events (repaints, input) run.
  virtual void ProcessMessages() = 0;
  // The modifier keys held down now (kShiftKey | kCtrlKey | kAltKey of
  // ui/controls.h), for an action that a modifier changes, such as a click.
  virtual int ModifierKeys() const = 0;
};

}  // namespace tvx::ui
