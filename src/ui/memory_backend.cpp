#include "ui/memory_backend.h"

#include <algorithm>

namespace tvx::ui {

void MemoryUi::Reactivate() {
  if (!shownForms.empty() && !shownForms.back()->Closed()) shownForms.back()->RaiseActivate();
}

MsgResult MemoryUi::ShowMessage(const std::string& text, MsgKind kind, MsgButtons buttons) {
  messages.push_back({text, kind, buttons});
  MsgResult answer = buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
  if (!messageAnswers.empty()) {
    answer = messageAnswers.front();
    messageAnswers.pop_front();
  }
  Reactivate();
  return answer;
}

std::optional<std::string> MemoryUi::InputBox(const std::string& title, const std::string& prompt,
                                              const std::string& initial, NativeWindow) {
  inputRequests.push_back({title, prompt, initial});
  std::optional<std::string> answer;
  if (!inputAnswers.empty()) {
    answer = inputAnswers.front();
    inputAnswers.pop_front();
  }
  Reactivate();
  return answer;
}

std::optional<std::string> MemoryUi::OpenFile(const OpenFileOptions& options, NativeWindow) {
  openFileRequests.push_back(options);
  std::optional<std::string> answer;
  if (!openFileAnswers.empty()) {
    answer = openFileAnswers.front();
    openFileAnswers.pop_front();
  }
  return answer;
}

std::optional<std::string> MemoryUi::BrowseFolder(const std::string& title, const std::string& startFolder,
                                                  NativeWindow) {
  folderRequests.push_back({title, startFolder});
  std::optional<std::string> answer;
  if (!folderAnswers.empty()) {
    answer = folderAnswers.front();
    folderAnswers.pop_front();
  }
  return answer;
}

void MemoryUi::ShowModal(Form& form) {
  modalForms.push_back(form.Name());
  form.ResetClosed();
  shownForms.push_back(&form);
  form.RaiseActivate();
  if (!modalScripts.empty()) {
    auto script = std::move(modalScripts.front());
    modalScripts.pop_front();
    if (!form.Closed()) script(form);
  }
  if (!form.Closed()) form.Close();
  shownForms.erase(std::remove(shownForms.begin(), shownForms.end(), &form), shownForms.end());
  Reactivate();
}

void MemoryUi::Run(Form& mainForm) {
  if (terminated_) return;
  shownForms.push_back(&mainForm);
  mainForm.RaiseActivate();
}

namespace user {

static bool Usable(Control& c) { return c.Enabled() && c.Visible(); }

void PressKey(Control& control, char key) {
  if (!Usable(control)) return;
  control.Owner().SetActiveControl(&control);
  control.RaiseKeyPress(key);
  if (key == 0) return;
  if (control.GetKind() == Kind::Edit) static_cast<Edit&>(control).SetCaretAtEndFromView(true);
  if (control.GetKind() == Kind::Edit && static_cast<unsigned char>(key) >= 32) {
    control.SetTextFromView(control.Text() + key);
    control.RaiseChange();
  } else if (control.GetKind() == Kind::Edit && key == 8 && !control.Text().empty()) {
    std::string t = control.Text();
    t.pop_back();
    control.SetTextFromView(t);
    control.RaiseChange();
  }
}

void KeyUp(Control& control, int vk, int shift) {
  if (!Usable(control)) return;
  control.RaiseKeyUp(vk, shift);
}

void KeyDown(Control& control, int vk, int shift) {
  constexpr int kVkEnd = 35, kVkHome = 36;
  if (!Usable(control)) return;
  Form& form = control.Owner();
  form.SetActiveControl(&control);
  int key = vk;
  control.RaiseKeyDown(key, shift);
  if (key != 0) {
    Edit* edit = control.GetKind() == Kind::Edit ? static_cast<Edit*>(&control) : nullptr;
    if (key == kVkTab) {
      std::vector<Control*> order;
      for (Control* c : form.TabOrder())
        if (Usable(*c) || c == &control) order.push_back(c);
      auto at = std::find(order.begin(), order.end(), &control);
      if (at != order.end() && order.size() > 1) {
        size_t i = static_cast<size_t>(at - order.begin());
        size_t n = order.size();
        form.FocusControl(*order[(shift & kShiftKey) ? (i + n - 1) % n : (i + 1) % n]);
      }
    } else if (key == kVkReturn) {
      PressKey(control, (shift & kCtrlKey) ? '\n' : '\r');
    } else if (edit && (key == kVkLeft || key == kVkHome) && !edit->Text().empty()) {
      edit->SetCaretAtEndFromView(false);
    } else if (edit && (key == kVkRight || key == kVkEnd)) {
      edit->SetCaretAtEndFromView(true);
    }
  }
  // The key comes up where the focus is by then.
  KeyUp(form.ActiveControl() ? *form.ActiveControl() : control, vk, shift);
}

void MoveCaret(Edit& edit, bool atEnd) {
  if (Usable(edit)) edit.SetCaretAtEndFromView(atEnd);
}

void Type(Edit& edit, const std::string& text) {
  for (char ch : text) {
    PressKey(edit, ch);
    int vk = static_cast<unsigned char>(ch);
    if (ch >= 'a' && ch <= 'z') vk = ch - 'a' + 'A';
    KeyUp(edit, vk, 0);
  }
}

void Paste(Edit& edit, const std::string& text) {
  if (!Usable(edit)) return;
  edit.SetTextFromView(text);
  edit.RaiseChange();
}

void Click(Control& control) {
  if (!Usable(control)) return;
  control.Owner().SetActiveControl(&control);
  control.RaiseClick();
}

void ClickCheckBox(CheckBox& box) {
  if (!Usable(box)) return;
  box.SetChecked(!box.Checked());
  box.RaiseClick();
}

void ClickSpeedButton(SpeedButton& button) {
  if (!Usable(button)) return;
  button.SetDown(!button.Down());
  button.RaiseClick();
}

void Choose(ItemsControl& box, int index) {
  if (!Usable(box)) return;
  box.SetItemIndex(index);
  if (box.GetKind() == Kind::ListBox) box.RaiseClick();
  box.RaiseChange();
}

void SelectRow(ListView& list, int index, bool addToSelection) {
  if (!Usable(list)) return;
  if (!addToSelection || !list.multiSelect)
    for (int i = 0; i < list.RowCount(); ++i)
      if (i != index) list.SetSelected(i, false);
  list.SetSelected(index, true);
}

void DoubleClickRow(ListView& list, int index) {
  SelectRow(list, index);
  list.RaiseDblClick();
}

void DropFiles(ListView& list, const std::vector<std::string>& paths) {
  if (!list.acceptsFileDrop) return;
  list.RaiseDropFiles(paths);
}

void CloseBox(Form& form) { form.Close(); }

}  // namespace user
}  // namespace tvx::ui
