#pragma once
// The launcher window: the program's main window and one-shot prompt.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/completion.h"
#include "app/history.h"
#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::store {
class ProfileFile;
}

namespace tvx::app {

inline constexpr const char* kTypeManually = "( Type Manually )";
inline constexpr const char* kOskTitle = "On-Screen Keyboard";
inline constexpr const char* kHomePage = "https://tavrix.app/";
// The command box's grey cue while the data file holds no command.
inline constexpr const char* kNoCommandsCue = "No commands yet: add them with Command Manager";

class TfrmTVX : public ui::Form {
 public:
  TfrmTVX(Context& ctx, std::function<std::string()> version);

  ui::Label Label3{*this, "Label3"};  // "Command Template :"
  ui::ComboBox Template{*this, "Template"};
  ui::Button btnSTmp{*this, "btnSTmp"};  // "S"
  ui::Button callNbx{*this, "callNbx"};  // "Command Manager"
  ui::Label Label1{*this, "Label1"};     // "Type your Command here :"
  ui::Edit txtCmd{*this, "txtCmd"};
  ui::SpeedButton spdAsterix{*this, "spdAsterix"};  // "*"
  ui::Label Label2{*this, "Label2"};                // "You may type more than one command."
  ui::CheckBox chkosk{*this, "chkosk"};             // "OSK"
  ui::Bevel Bevel1{*this, "Bevel1"};
  ui::Button btnOK{*this, "btnOK"};      // "Launch"
  ui::Button Button2{*this, "Button2"};  // "Cancel"
  ui::Bevel Bevel3{*this, "Bevel3"};
  ui::Shape Shape1{*this, "Shape1"};
  ui::Image imgPPage{*this, "imgPPage"};  // picture, tip "Visit Our Homepage"
  ui::Image imgAbout{*this, "imgAbout"};  // picture, tip "About"
  ui::Image imgSUs{*this, "imgSUs"};      // picture, tip "Support Us!"
  ui::Image imgMore{*this, "imgMore"};    // picture, tip "More Software"

  // Command-line routing, then (for an interactive start) the set-up.
  void FormCreate(const std::vector<std::string>& args);
  void FormActivate();
  void FormClose();
  void Button2Click();
  void callNbxClick();
  void chkoskClick();
  void spdAsterixClick();
  void btnOKClick();
  void btnSTmpClick();
  void TemplateChange();
  void TemplateKeyPress(char& key);
  void txtCmdKeyPress(char& key);
  // Tab or Right at the end accept the suggestion; Up and Down recall
  // remembered texts; Enter with modifiers as in LaunchKeyDown.
  void txtCmdKeyDown(int& vk, int shift);
  void txtCmdChange();
  // Enter with Ctrl+Shift launches as administrator; with Shift alone it
  // opens each target's folder instead. Enter alone goes on to the key press.
  void LaunchKeyDown(int& vk, int shift);
  void btnSTmpKeyPress(char& key);
  void VisitURL();
  void imgAboutClick();
  void imgSUsClick();
  void imgMoreClick();

  // Refills the template box from the data file; keeps the shown entry when
  // it still exists (after the template dialog), or selects "( Type Manually )".
  void FillTemplates(bool keepSelection);

  // The dimmed rest of the best command name after the caret, or none: only
  // with the caret at the end, masking off and the template box unfocused.
  void UpdateSuggestion();
  // Completes the last word to the suggested name, in its stored letter case.
  void AcceptSuggestion();

  // Waits at most `limit` for the history file's write; false when it is
  // still under way (see History::Finish).
  bool FinishWrites(std::chrono::milliseconds limit) { return history_.Finish(limit); }

 private:
  void SetUp();
  // The template keys plus "( Type Manually )", with `select` chosen when present.
  void LoadTemplates(store::ProfileFile& data, const std::string& select);
  // The names that completion offers, read in the caller's open of the file.
  void LoadNames(const store::ProfileFile& data);
  enum class Action { Launch, LaunchAsAdmin, ShowInFolder };
  // What Enter (`enter`) or a click on "Launch" does with the modifier keys
  // held: Ctrl+Shift runs as administrator; Shift alone with Enter opens each
  // target's folder; Ctrl otherwise with Enter does nothing (none); any other
  // keys launch.
  static std::optional<Action> LaunchAction(int held, bool enter);
  // What Enter and "Launch" do with the typed text; `remember` for the
  // window's own boxes (a "/l" start keeps no history).
  void Run(Action action, bool remember);
  void StartKeyboard();
  void QuitKeyboard();

  Context& ctx_;
  std::function<std::string()> version_;
  NameCompletion completion_;
  History history_;
  HistoryRecall recall_;
  std::optional<std::string> suggestedFor_;  // the text the shown suggestion belongs to
  bool typedMasked_ = false;                 // the box's text changed while masking was on
};

}  // namespace tvx::app
