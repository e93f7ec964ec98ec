#pragma once
// The in-memory backend: windows without a display. Tests (and any headless
// driver) type keys, click, choose entries and read every state through it;
// modal windows, message boxes and pickers are answered from queues.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/services.h"

namespace tvx::ui {

struct ShownMessage {
  std::string text;
  MsgKind kind;
  MsgButtons buttons;
};

class MemoryUi : public IUiServices {
 public:
  MsgResult ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt, const std::string& initial,
                                      NativeWindow owner = nullptr) override;
  std::optional<std::string> OpenFile(const OpenFileOptions& options, NativeWindow owner) override;
  std::optional<std::string> BrowseFolder(const std::string& title, const std::string& startFolder,
                                          NativeWindow owner) override;
  void ShowModal(Form& form) override;
  void Run(Form& mainForm) override;
  void Terminate() override { terminated_ = true; }
  bool Terminated() const override { return terminated_; }
  void ProcessMessages() override { ++processMessagesCalls; }
  int ModifierKeys() const override { return modifierKeys; }
  int modifierKeys = 0;  // the keys a test holds down

  // What was shown, in order.
  std::vector<ShownMessage> messages;
  struct InputRequest {
    std::string title, prompt, initial;
  };
  std::vector<InputRequest> inputRequests;
  std::vector<OpenFileOptions> openFileRequests;
  struct FolderRequest {
    std::string title, startFolder;
  };
  std::vector<FolderRequest> folderRequests;
  std::vector<std::string> modalForms;  // names of the forms shown modally
  int processMessagesCalls = 0;

  // Answers, taken in order; when a queue is empty: Ok / No, Cancel, Cancel.
  std::deque<MsgResult> messageAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<std::string>> openFileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  // Scripts run while a modal form is shown (one per ShowModal, in order);
  // a form still open after its script is closed as if by its close box.
  std::deque<std::function<void(Form&)>> modalScripts;

  // The forms currently shown, the active one last.
  std::vector<Form*> shownForms;

 private:
  // Focus returns to the form below a closed modal thing.
  void Reactivate();
  bool terminated_ = false;
};

// User actions, each raising the events a real control raises.
namespace user {
// Types the characters one by one into an edit: key press (which may swallow
// the key), insertion at the end (the caret stays there), change, key up.
void Type(Edit& edit, const std::string& text);
// One key: character keys (Enter 13, Escape 27, Ctrl+R 18, ...) go through
// the key press; a swallowed or control character inserts nothing.
void PressKey(Control& control, char key);
void KeyUp(Control& control, int vk, int shift = 0);
// One key going down and up, as a real control gets it: the key-down event
// (which may swallow the key), then the control's own action, then key up.
// Tab moves the focus to the next control of the tab order (with Shift, the
// previous one); Enter goes on as the key press 13 (with Ctrl, 10, as the
// system sends it); in an edit Left and Home take the caret from the end
// of the text, Right and End bring it back.
void KeyDown(Control& control, int vk, int shift = 0);
// The user put an edit's caret at the end of its text, or elsewhere.
void MoveCaret(Edit& edit, bool atEnd);
// Replaces the text as a paste would: change only, no key events.
void Paste(Edit& edit, const std::string& text);
void Click(Control& control);                // buttons, images; disabled: nothing
void ClickCheckBox(CheckBox& box);           // toggles, then click
void ClickSpeedButton(SpeedButton& button);  // toggles down/up, then click
void Choose(ItemsControl& box, int index);   // selection by the user, then change
void SelectRow(ListView& list, int index, bool addToSelection = false);
void DoubleClickRow(ListView& list, int index);
void DropFiles(ListView& list, const std::vector<std::string>& paths);
void CloseBox(Form& form);  // title bar close box
}  // namespace user

}  // namespace tvx::ui
