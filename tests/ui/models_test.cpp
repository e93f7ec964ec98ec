// The control models and the in-memory backend: the behaviour every window's
// handlers rely on, whatever backend shows them.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/error.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/memory_backend.h"

namespace tvx::ui {
namespace {

// Records what a backend would be told to mirror.
class RecordingView : public ControlView {
 public:
  void Changed(Control&, Prop what) override { changes.push_back(what); }
  void Focus(Control&) override { ++focuses; }
  std::vector<Prop> changes;
  int focuses = 0;
};

class Dialog : public Form {
 public:
  explicit Dialog(IUiServices& ui, std::string name = "Dialog") : Form(ui, std::move(name)) {
    txt.tabOrder = 1;
    btn.tabOrder = 0;
    lst.tabOrder = 2;
  }
  Edit txt{*this, "txt"};
  Button btn{*this, "btn"};
  ComboBox cmb{*this, "cmb"};
  ListView lst{*this, "lst"};
  CheckBox chk{*this, "chk"};
  SpeedButton spd{*this, "spd"};
};

class ModelsTest : public ::testing::Test {
 protected:
  MemoryUi ui;
  Dialog form{ui};
};

int Compare(const std::string& a, const std::string& b) { return a < b ? -1 : (a > b ? 1 : 0); }

TEST_F(ModelsTest, SortedItemsIgnoreCaseAndKeepTheSelectedEntry) {
  form.cmb.sorted = true;
  form.cmb.SetItems({"zeta", "Beta", "alpha", "( Type Manually )"});
  EXPECT_EQ(form.cmb.Items(), (std::vector<std::string>{"( Type Manually )", "alpha", "Beta", "zeta"}));
  form.cmb.SetItemIndex(form.cmb.IndexOf("Beta"));
  EXPECT_EQ(form.cmb.AddItem("BETA"), 3);  // after the equal entry
  EXPECT_EQ(form.cmb.AddItem("Aardvark"), 1);
  EXPECT_EQ(form.cmb.SelectedText(), "Beta");
  EXPECT_EQ(form.cmb.ItemIndex(), 3);
  EXPECT_EQ(form.cmb.IndexOf("beta"), -1);  // exact text only
  // The case-free match of the template lists folds every letter.
  form.cmb.AddItem("\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82");  // Проект
  EXPECT_EQ(form.cmb.IndexOfNoCase("\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x95\xD0\x9A\xD0\xA2"), 6);

  form.cmb.SetItemIndex(99);
  EXPECT_EQ(form.cmb.ItemIndex(), -1);
  EXPECT_EQ(form.cmb.SelectedText(), "");
  // Equal entries keep the order they came in; bytes beyond ASCII sort after it.
  form.cmb.SetItems({"b", "\xC3\xA9", "B", "a", "z", "A"});
  EXPECT_EQ(form.cmb.Items(), (std::vector<std::string>{"a", "A", "b", "B", "z", "\xC3\xA9"}));
  form.cmb.SetItemIndex(0);
  form.cmb.SetItems({"x"});
  EXPECT_EQ(form.cmb.ItemIndex(), -1);

  // A sorted control may take its order from elsewhere (the system's collation).
  form.cmb.compare = [](const std::string& a, const std::string& b) { return -Compare(a, b); };
  form.cmb.SetItems({"b", "c", "a"});
  EXPECT_EQ(form.cmb.AddItem("bb"), 1);
  EXPECT_EQ(form.cmb.Items(), (std::vector<std::string>{"c", "bb", "b", "a"}));
  // A whole list sorts on its keys where every item has one, equal keys in
  // the order they came; without keys the comparison holds.
  // Keys longer than eight bytes and keys that end early compare whole.
  form.cmb.sortKey = [](std::string_view item, std::string& keys) {
    if (item == "none") return false;
    keys += item.empty() ? std::string() : "12345678" + std::string(item == "x" ? "" : item.substr(0, 1));
    return true;
  };
  form.cmb.SetItems({"b", "a2", "c", "", "a1", "x"});
  EXPECT_EQ(form.cmb.Items(), (std::vector<std::string>{"", "x", "a2", "a1", "b", "c"}));
  form.cmb.SetItems({"a", "none", "b"});
  EXPECT_EQ(form.cmb.Items(), (std::vector<std::string>{"none", "b", "a"}));
}

TEST_F(ModelsTest, SelectionFromCodeRaisesNoChangeButTheUsersChoiceDoes) {
  form.cmb.SetItems({"a", "b"});
  int changes = 0;
  form.cmb.OnChange = [&] { ++changes; };
  form.cmb.SetItemIndex(1);
  EXPECT_EQ(changes, 0);
  user::Choose(form.cmb, 0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(form.cmb.SelectedText(), "a");
  form.cmb.SetEnabled(false);
  user::Choose(form.cmb, 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(ModelsTest, ViewsHearOfChangesFromCodeOnlyWhenSomethingChanged) {
  RecordingView view;
  form.txt.AttachView(&view);
  form.txt.SetText("a");
  form.txt.SetText("a");
  form.txt.SetPasswordChar('*');
  form.txt.SetEnabled(false);
  form.txt.SetTextFromView("typed");  // the screen already shows it
  form.txt.SetFocus();
  EXPECT_EQ(view.changes, (std::vector<Prop>{Prop::Text, Prop::Mask, Prop::Enabled}));
  EXPECT_EQ(view.focuses, 1);
  EXPECT_TRUE(form.txt.Focused());
  EXPECT_EQ(form.txt.Text(), "typed");
  form.txt.AttachView(nullptr);
}

TEST_F(ModelsTest, ListRowsFollowTheComparisonAlsoAfterSuspendedUpdates) {
  RecordingView view;
  form.lst.AttachView(&view);
  form.lst.compare = Compare;
  form.lst.AddRow("m", {"1"});
  form.lst.AddRow("c", {"2"});
  EXPECT_EQ(form.lst.Cell(0, 0), "c");
  EXPECT_EQ(form.lst.Cell(1, 1), "1");
  EXPECT_EQ(form.lst.Cell(1, 5), "");

  view.changes.clear();
  form.lst.BeginUpdate();
  form.lst.AddRow("z", {});
  form.lst.AddRow("a", {});
  EXPECT_EQ(form.lst.Cell(3, 0), "a");  // unsorted while suspended
  EXPECT_TRUE(view.changes.empty());
  form.lst.EndUpdate();
  EXPECT_EQ(view.changes, std::vector<Prop>{Prop::Rows});
  std::vector<std::string> order;
  for (int i = 0; i < form.lst.RowCount(); ++i) order.push_back(form.lst.Cell(i, 0));
  EXPECT_EQ(order, (std::vector<std::string>{"a", "c", "m", "z"}));

  form.lst.SortByColumn(1, [](const std::string& a, const std::string& b) { return -Compare(a, b); });
  EXPECT_EQ(form.lst.Cell(0, 0), "c");  // "2" first, then "1", then the empty cells
  EXPECT_EQ(form.lst.Cell(1, 0), "m");
  form.lst.AttachView(nullptr);
}

TEST_F(ModelsTest, ListSelectionRaisesSelectAndChangeFromCodeAndFromTheUser) {
  for (const char* name : {"a", "b", "c", "d"}) form.lst.AddRow(name, {});
  std::vector<std::pair<int, bool>> selects;
  int changes = 0;
  form.lst.OnSelectItem = [&](int index, bool selected) { selects.emplace_back(index, selected); };
  form.lst.OnChange = [&] { ++changes; };
  EXPECT_EQ(form.lst.SelectedIndex(), -1);
  form.lst.SetSelected(2, true);
  form.lst.SetSelected(2, true);  // no change, no event
  user::SelectRow(form.lst, 1, true);
  EXPECT_EQ(form.lst.SelectedCount(), 2);
  EXPECT_EQ(form.lst.SelectedIndex(), 1);
  EXPECT_EQ(selects, (std::vector<std::pair<int, bool>>{{2, true}, {1, true}}));
  EXPECT_EQ(changes, 2);

  RecordingView view;
  form.lst.AttachView(&view);
  form.lst.SetSelectedFromView(3, true);  // events, but the screen is not told
  EXPECT_EQ(selects.back(), std::make_pair(3, true));
  EXPECT_TRUE(view.changes.empty());

  user::SelectRow(form.lst, 0);  // a plain click selects one row only
  EXPECT_EQ(form.lst.SelectedCount(), 1);
  EXPECT_EQ(form.lst.SelectedIndex(), 0);

  form.lst.DeleteRow(1);
  form.lst.DeleteRow(0);  // the selected one
  EXPECT_EQ(form.lst.RowCount(), 2);
  EXPECT_EQ(form.lst.Cell(0, 0), "c");
  EXPECT_EQ(form.lst.SelectedCount(), 0);
  form.lst.DeleteRow(7);  // nothing there: nothing happens
  EXPECT_EQ(form.lst.RowCount(), 2);
  form.lst.AttachView(nullptr);
}

TEST_F(ModelsTest, AMissingRowIsTheListIndexErrorAndHandlersShowIt) {
  form.lst.AddRow("a", {});
  try {
    (void)form.lst.CellView(5, 0);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  form.btn.OnClick = [&] { (void)form.lst.Cell(-1, 0); };
  user::Click(form.btn);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "List index out of bounds (-1)");
  EXPECT_EQ(ui.messages[0].kind, MsgKind::Error);
}

TEST_F(ModelsTest, HandlerErrorsEndTheActionAndShowTheGeneralErrorBox) {
  bool after = false;
  form.btn.OnClick = [&] {
    throw Error("Unable to write to C:\\Tools\\TVX.dat");
    after = true;
  };
  user::Click(form.btn);
  EXPECT_FALSE(after);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Unable to write to C:\\Tools\\TVX.dat.");
  EXPECT_EQ(ui.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
}

TEST(ErrorBoxText, AddsAFullStopUnlessTheLastCharacterSortsAtOrBeforeIt) {
  EXPECT_EQ(ErrorBoxText("x"), "x.");
  EXPECT_EQ(ErrorBoxText("x."), "x.");
  EXPECT_EQ(ErrorBoxText("x!"), "x!");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST_F(ModelsTest, TypingGoesThroughKeyPressWhichMaySwallowOrReplaceKeys) {
  std::string pressed;
  std::vector<int> released;
  int changes = 0;
  form.txt.OnKeyPress = [&](char& key) {
    pressed += key;
    if (key == ' ') key = 0;
    if (key == 'q') key = 'Q';
  };
  form.txt.OnKeyUp = [&](int& vk, int) { released.push_back(vk); };
  form.txt.OnChange = [&] { ++changes; };
  user::Type(form.txt, "a q");
  EXPECT_EQ(pressed, "a q");
  EXPECT_EQ(form.txt.Text(), "aQ");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(released, (std::vector<int>{'A', ' ', 'Q'}));
  user::PressKey(form.txt, kCharEnter);  // control characters insert nothing
  EXPECT_EQ(form.txt.Text(), "aQ");
  user::PressKey(form.txt, 8);
  EXPECT_EQ(form.txt.Text(), "a");
  EXPECT_EQ(form.ActiveControl(), &form.txt);
}

TEST_F(ModelsTest, BoxesChangeBeforeTheirClickHandlersRun) {
  std::vector<bool> seen;
  form.chk.OnClick = [&] { seen.push_back(form.chk.Checked()); };
  form.spd.OnClick = [&] { seen.push_back(form.spd.Down()); };
  user::ClickCheckBox(form.chk);
  user::ClickSpeedButton(form.spd);
  user::ClickSpeedButton(form.spd);
  EXPECT_EQ(seen, (std::vector<bool>{true, true, false}));
  form.chk.SetChecked(false);  // from code: no click
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(ModelsTest, TabOrderListsOnlyControlsThatTakeTheFocus) {
  std::vector<std::string> names;
  for (Control* c : form.TabOrder()) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"btn", "txt", "lst"}));
  EXPECT_EQ(form.FindControl("chk"), &form.chk);
  EXPECT_EQ(form.FindControl("nope"), nullptr);
}

TEST_F(ModelsTest, ClosingRunsOnCloseOnceEvenWhenItClosesAgain) {
  int closes = 0;
  form.OnClose = [&] {
    ++closes;
    form.Close();
  };
  form.Close();
  form.Close();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(form.Closed());
}

TEST_F(ModelsTest, TheFormBelowBecomesActiveAgainAfterModalThings) {
  std::vector<std::string> log;
  form.OnActivate = [&] { log.push_back("main active"); };
  ui.Run(form);
  Dialog child(ui, "Child");
  child.OnActivate = [&] { log.push_back("child active"); };
  child.OnClose = [&] { log.push_back("child closed"); };
  ui.modalScripts.push_back([&](Form&) { ui.ShowMessage("inside", MsgKind::Information, MsgButtons::Ok); });
  ui.ShowModal(child);
  EXPECT_EQ(log,
            (std::vector<std::string>{"main active", "child active", "child active", "child closed", "main active"}));
  EXPECT_EQ(ui.modalForms, std::vector<std::string>{"Child"});

  // A second showing of the same window starts open again.
  ui.modalScripts.push_back([&](Form& f) { f.Close(); });
  ui.ShowModal(child);
  EXPECT_EQ(std::count(log.begin(), log.end(), "child closed"), 2);

  ui.messageAnswers.push_back(MsgResult::Yes);
  EXPECT_EQ(ui.ShowMessage("q", MsgKind::Question, MsgButtons::YesNo), MsgResult::Yes);
  EXPECT_EQ(ui.ShowMessage("q", MsgKind::Question, MsgButtons::YesNo), MsgResult::No);
  EXPECT_FALSE(ui.InputBox("t", "p", "").has_value());
}

}  // namespace
}  // namespace tvx::ui
