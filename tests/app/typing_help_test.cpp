// Help while typing in the launcher: name completion, the remembered texts
// and the launch modifiers, through the in-memory backend and real files.
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "app/TVX_Main.h"
#include "app/history.h"
#include "platform/file_io.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx::app {
namespace {

using test::FakePlatform;
using ui::MemoryUi;
namespace user = ui::user;

class TypingHelpTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  FakePlatform fp;
  MemoryUi ui;
  Context ctx{fp.platform, ui, dir.Path()};
  std::string HistPath() const { return store::HistoryFilePath(dir.Path()); }
  void Store(const std::string& bytes) { test::WriteFileBytes(ctx.DataFile(), bytes); }
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const auto& c : fp.shell.calls) calls.push_back(c.verb + ">" + c.file);
    return calls;
  }
  void Start(TfrmTVX& frm) {
    frm.FormCreate({});
    ui.Run(frm);
  }
};

TEST_F(TypingHelpTest, SuggestionFollowsTheLastWord) {
  Store("[Command]\r\nNotePad=notepad.exe\r\nnslookup=nslookup.exe\r\nnote=x.exe\r\ncalc=calc.exe\r\n");
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "calc NO");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "te");  // the shortest, as stored
  user::Type(frm.txtCmd, "TE");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");  // a name already, though a longer one begins so
  for (int i = 0; i < 3; ++i) user::PressKey(frm.txtCmd, 8);
  user::Type(frm.txtCmd, "s");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "lookup");
  user::Type(frm.txtCmd, " ");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");  // empty last word
  user::Type(frm.txtCmd, "notep");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "ad");
  user::KeyDown(frm.txtCmd, ui::kVkLeft);
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");  // caret no longer at the end
  user::KeyDown(frm.txtCmd, ui::kVkRight);
  EXPECT_EQ(frm.txtCmd.Suggestion(), "ad");
  user::ClickSpeedButton(frm.spdAsterix);  // masking would show the hidden name
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");
  user::Type(frm.txtCmd, "x");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");
}

TEST_F(TypingHelpTest, TabAndRightAcceptInTheStoredCaseAndTabWithoutOneMovesOn) {
  Store("[Command]\r\nNotePad=notepad.exe\r\nnslookup=nslookup.exe\r\n");
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "nslookup note");
  user::KeyDown(frm.txtCmd, ui::kVkTab);
  EXPECT_EQ(frm.txtCmd.Text(), "nslookup NotePad");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "");
  EXPECT_EQ(frm.ActiveControl(), &frm.txtCmd);
  user::Type(frm.txtCmd, " ns");
  user::KeyDown(frm.txtCmd, ui::kVkRight);
  EXPECT_EQ(frm.txtCmd.Text(), "nslookup NotePad nslookup");
  user::KeyDown(frm.txtCmd, ui::kVkTab);  // no suggestion: the focus moves as before
  EXPECT_EQ(frm.ActiveControl(), &frm.btnOK);
  // What was typed is what launches, never the suggestion.
  frm.txtCmd.SetFocus();
  user::Type(frm.txtCmd, " not");
  ASSERT_EQ(frm.txtCmd.Suggestion(), "ePad");
  user::PressKey(frm.txtCmd, ui::kCharEnter);
  EXPECT_EQ(Calls(), (std::vector<std::string>{">nslookup.exe", ">notepad.exe", ">nslookup.exe", ">taskkill.exe"}));
}

TEST_F(TypingHelpTest, NamesOfEveryScriptCompleteWhateverTheLengthOfTheirFold) {
  // The Kelvin sign folds to a one-byte "k": the rest must be cut from the
  // stored name where the typed letters end, not at the typed byte count.
  Store(
      "[Command]\r\n\xE2\x84\xAA"
      "elvin=k.exe\r\n\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82=p.exe\r\n");
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "kel");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "vin");
  user::Type(frm.txtCmd, " \xD0\xBF\xD0\xA0");  // "пР"
  EXPECT_EQ(frm.txtCmd.Suggestion(), "\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82");
  user::KeyDown(frm.txtCmd, ui::kVkTab);
  EXPECT_EQ(frm.txtCmd.Text(), "kel \xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82");
}

TEST_F(TypingHelpTest, MostLaunchedThenShortestThenManagersOrder) {
  Store("[Command]\r\nnetstat=a\r\nnet2=b\r\nnet1=c\r\nnetwork=d\r\n");
  {
    TfrmTVX frm(ctx, nullptr);
    Start(frm);
    user::Type(frm.txtCmd, "ne");
    EXPECT_EQ(frm.txtCmd.Suggestion(), "t1");  // shortest, then the manager's order
  }
  History h;
  h.Load(HistPath());
  h.Record("network netstat", {"network", "NETSTAT"});
  h.Record("netstat", {"netstat"});
  h.Wait();
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "ne");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "tstat");
}

TEST_F(TypingHelpTest, NamesAreReadAgainWhenTheManagerCloses) {
  Store("[Command]\r\nalpha=a\r\n");
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  ui.modalScripts.push_back([&](ui::Form&) { Store("[Command]\r\nbeta=b\r\n"); });
  user::Click(frm.callNbx);
  user::Type(frm.txtCmd, "b");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "eta");
}

TEST_F(TypingHelpTest, HistoryOrderRepeatsLimitAndDamage) {
  History h;
  h.Load(HistPath());
  for (int i = 0; i < 105; ++i) h.Record("cmd" + std::to_string(i), {"cmd"});
  h.Record("  CMD103 ", {"cmd"});
  h.Record("\"quoted\" x", {});
  h.Wait();
  History again;
  again.Load(HistPath());
  ASSERT_EQ(again.Texts().size(), kHistoryLimit);
  EXPECT_EQ(again.Texts()[0], "\"quoted\" x");
  EXPECT_EQ(again.Texts()[1], "CMD103");
  EXPECT_EQ(again.Texts()[2], "cmd104");
  EXPECT_EQ(again.Texts().back(), "cmd6");
  EXPECT_EQ(again.Launches("Cmd"), 106);
  EXPECT_EQ(again.Texts(), h.Texts());
  test::WriteFileBytes(HistPath(), std::string("\0\xff[Recent]\r\nx=y\r\n[Launches]\r\ncmd=many\r\n", 38));
  again.Load(HistPath());
  EXPECT_TRUE(again.Texts().empty());
  EXPECT_EQ(again.Launches("cmd"), 0);
}

TEST_F(TypingHelpTest, AHugeHistoryIsTrimmedInOnePass) {
  std::string bytes = "[Recent]\r\n";
  for (int i = 1; i <= 100000; ++i) bytes += std::to_string(i) + "=\"t" + std::to_string(i % 1000) + "\"\r\n";
  test::WriteFileBytes(HistPath(), bytes + "[Launches]\r\nn=7\r\n");
  History h;
  h.SetFile(HistPath());
  auto t0 = std::chrono::steady_clock::now();
  h.Record("n", {"n"});
  h.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));  // minutes when quadratic
  History again;
  again.Load(HistPath());
  ASSERT_EQ(again.Texts().size(), kHistoryLimit);
  EXPECT_EQ(again.Texts()[1], "t0");  // 100000 % 1000, then 999, ...
  EXPECT_EQ(again.Texts().back(), "t902");
  EXPECT_EQ(again.Launches("N"), 8);
  EXPECT_LT(test::ReadFileBytes(HistPath()).size(), 2000u);
}

TEST_F(TypingHelpTest, TwoLaunchersAtOnceLoseNoEntryAndNoCount) {
  auto launcher = [&](char who) {
    History h;
    h.SetFile(HistPath());
    for (int i = 0; i < 20; ++i) {
      h.Record(std::string(1, who) + std::to_string(i), {"n"});
      h.Wait();
    }
  };
  std::thread a(launcher, 'a'), b(launcher, 'b');
  a.join();
  b.join();
  History all;
  all.Load(HistPath());
  EXPECT_EQ(all.Texts().size(), 40u);
  EXPECT_EQ(all.Launches("n"), 40);
}

TEST_F(TypingHelpTest, EntryNumbersNeverOutgrowTheReader) {
  test::WriteFileBytes(HistPath(), "[Recent]\r\n9999999999999999999=\"old\"\r\n");
  History h;
  h.SetFile(HistPath());
  h.Record("a", {});
  h.Record("b", {});
  h.Wait();
  History again;
  again.Load(HistPath());
  EXPECT_EQ(again.Texts(), (std::vector<std::string>{"b", "a", "old"}));
}

TEST_F(TypingHelpTest, TheEndWaitsAMomentAtMostAndLeavesTheHistoryWhole) {
  Store("[Command]\r\nn=notepad.exe\r\n");
  test::WriteFileBytes(HistPath(), "[Recent]\r\n1=\"old\"\r\n");
  fileio::LockFile other(HistPath() + ".lock");  // another launcher's long write
  ASSERT_TRUE(other.Lock(0));
  {
    TfrmTVX frm(ctx, nullptr);
    Start(frm);
    user::Type(frm.txtCmd, "n");
    user::PressKey(frm.txtCmd, ui::kCharEnter);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(frm.FinishWrites(std::chrono::milliseconds(300)));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(test::ReadFileBytes(HistPath()), "[Recent]\r\n1=\"old\"\r\n");
  }  // the write goes on alone, as it would until the process ended
  other.Unlock();
  for (int i = 0; i < 500 && test::ReadFileBytes(HistPath()).find("\"n\"") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST_F(TypingHelpTest, MaskedTextIsNeitherRememberedNorCounted) {
  Store("[Command]\r\nn=notepad.exe\r\n[Settings]\r\nHideCommand=1\r\n");
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "n");
  user::PressKey(frm.txtCmd, ui::kCharEnter);
  EXPECT_EQ(Calls().front(), ">notepad.exe");
  EXPECT_TRUE(frm.FinishWrites(std::chrono::seconds(10)));
  EXPECT_FALSE(test::PathExists(HistPath()));
}

TEST_F(TypingHelpTest, LaunchesCountUnderTheCaseFoldOfEveryNameMatch) {
  Store(
      "[Command]\r\n\xC3\xBC"
      "ber-alpha=a\r\n\xC3\xBC"
      "ber-beta-long=b\r\n");
  History h;
  h.Load(HistPath());
  h.Record("x", {"\xC3\x9C"
                 "BER-BETA-LONG"});
  h.Record("y", {"\xC3\x9C"
                 "BER-BETA-LONG"});
  h.Wait();
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd,
             "\xC3\xBC"
             "b");
  EXPECT_EQ(frm.txtCmd.Suggestion(), "er-beta-long");
}

TEST_F(TypingHelpTest, TypedLaunchesAreRememberedAndRecalledWithUpAndDown) {
  Store("[Command]\r\nn=notepad.exe\r\nc=calc.exe\r\n");
  for (const char* typed : {"n", "c n", "zzz"}) {
    TfrmTVX frm(ctx, nullptr);
    Start(frm);
    user::Type(frm.txtCmd, typed);
    user::Click(frm.btnOK);
  }
  {
    TfrmTVX frm(ctx, nullptr);  // a "/l" start keeps no history
    frm.FormCreate({"/l", "c"});
  }
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "dr");
  user::KeyDown(frm.txtCmd, ui::kVkUp);
  EXPECT_EQ(frm.txtCmd.Text(), "c n");  // "zzz" launched nothing
  user::KeyDown(frm.txtCmd, ui::kVkUp);
  EXPECT_EQ(frm.txtCmd.Text(), "n");
  user::KeyDown(frm.txtCmd, ui::kVkUp);
  EXPECT_EQ(frm.txtCmd.Text(), "n");
  user::KeyDown(frm.txtCmd, ui::kVkDown);
  user::KeyDown(frm.txtCmd, ui::kVkDown);
  EXPECT_EQ(frm.txtCmd.Text(), "dr");
  EXPECT_TRUE(frm.txtCmd.CaretAtEnd());
}

TEST_F(TypingHelpTest, AFailedHistoryWriteIsSilentAndTheLaunchGoesOn) {
  Store("[Command]\r\nn=notepad.exe\r\n");
  std::filesystem::create_directory(HistPath());  // no file can be written there
  TfrmTVX frm(ctx, nullptr);
  Start(frm);
  user::Type(frm.txtCmd, "n");
  user::PressKey(frm.txtCmd, ui::kCharEnter);
  EXPECT_EQ(Calls(), (std::vector<std::string>{">notepad.exe", ">taskkill.exe"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TypingHelpTest, LaunchModifiers) {
  Store("[Command]\r\nn=notepad.exe\r\nw=https://example.com/\r\nd=C:\\Data\\a.txt\r\n");
  auto run = [&](const std::function<void(TfrmTVX&)>& act) {
    fp.shell.calls.clear();
    fp.shell.shownInFolder.clear();
    TfrmTVX frm(ctx, nullptr);
    Start(frm);
    user::Type(frm.txtCmd, "n w d");
    act(frm);
  };
  fp.shell.onSearchPath["notepad.exe"] = "C:\\Windows\\notepad.exe";
  run([](TfrmTVX& f) { user::KeyDown(f.txtCmd, ui::kVkReturn, ui::kCtrlKey | ui::kShiftKey); });
  EXPECT_EQ(Calls(), (std::vector<std::string>{"runas>notepad.exe", "runas>https://example.com/",
                                               "runas>C:\\Data\\a.txt", ">taskkill.exe"}));
  run([&](TfrmTVX& f) {
    ui.modifierKeys = ui::kCtrlKey | ui::kShiftKey;
    user::Click(f.btnOK);
    ui.modifierKeys = 0;
  });
  EXPECT_EQ(Calls().front(), "runas>notepad.exe");
  run([](TfrmTVX& f) { user::KeyDown(f.Template, ui::kVkReturn, ui::kShiftKey); });
  EXPECT_EQ(Calls(), std::vector<std::string>{">taskkill.exe"});
  EXPECT_EQ(fp.shell.shownInFolder, (std::vector<std::string>{"C:\\Windows\\notepad.exe", "C:\\Data\\a.txt"}));
  EXPECT_TRUE(ui.Terminated());
  // Where no key-down handler saw it, the key press with the keys held decides.
  run([&](TfrmTVX& f) {
    ui.modifierKeys = ui::kCtrlKey | ui::kShiftKey;
    user::PressKey(f.Template, '\n');
    ui.modifierKeys = 0;
  });
  EXPECT_EQ(Calls().front(), "runas>notepad.exe");
  run([&](TfrmTVX& f) {
    ui.modifierKeys = ui::kCtrlKey;
    user::KeyDown(f.txtCmd, ui::kVkReturn, ui::kCtrlKey);
    ui.modifierKeys = 0;
  });
  EXPECT_TRUE(fp.shell.calls.empty());  // Ctrl+Enter does nothing
  run([](TfrmTVX& f) { user::KeyDown(f.txtCmd, ui::kVkReturn); });
  EXPECT_EQ(Calls().front(), ">notepad.exe");
}

}  // namespace
}  // namespace tvx::app
