#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "shell/TVX_SetCmd.h"
#include "store/profile_file.h"
#include "store/schema.h"
#include "support/fake_platform.h"
#include "ui/memory_backend.h"

namespace tvx {
namespace {

namespace user = ui::user;
using ui::MakeRgb;

class SetCmdDialog : public testing::Test {
 protected:
  test::FakePlatform fp;
  ui::MemoryUi ui;
  test::TempDir dir;
  Context ctx{fp.platform, ui, dir.Path()};

  void Store(const std::string& bytes) { test::WriteFileBytes(ctx.DataFile(), bytes); }
  std::string Stored(const std::string& key) {
    store::ProfileFile file(ctx.DataFile());
    return file.ReadString(store::kCommandSection, key);
  }
  std::vector<std::string> Keys() {
    store::ProfileFile file(ctx.DataFile());
    return file.ListKeys(store::kCommandSection);
  }
  // Opens the dialog on a location as the "/setcmd" start does and runs the
  // script while it is shown. Returns whether the dialog closed by itself.
  bool Show(const std::string& location, const std::function<void(TfrmSetCMD&)>& script) {
    TfrmSetCMD dlg(ctx);
    dlg.txtLoc.SetText(location);
    bool closedByItself = false;
    ui.modalScripts.push_back([&](ui::Form& form) {
      script(dlg);
      closedByItself = form.Closed();
    });
    ui.ShowModal(dlg);
    return closedByItself;
  }
};

TEST_F(SetCmdDialog, LooksAsSpecified) {
  TfrmSetCMD dlg(ctx);
  EXPECT_EQ(dlg.caption, "Set TVX Command");
  EXPECT_EQ(dlg.clientWidth, 486);
  EXPECT_EQ(dlg.clientHeight, 201);
  EXPECT_EQ(dlg.border, ui::BorderStyle::FixedDialog);
  EXPECT_EQ(dlg.position, ui::Position::ScreenCenter);
  EXPECT_FALSE(dlg.sBitBtn1.Enabled());
  EXPECT_EQ(dlg.sBitBtn1.Hint(), "Get Real Location ( *.LNK )");
  EXPECT_EQ(dlg.sBitBtn2.Hint(), "Reset Location");
  EXPECT_EQ(dlg.lblStat.Text(), "-");
  EXPECT_EQ(dlg.Label4.Text(), "Note : If \"Command\" already used, previous \"Location\" will be Replaced");
  EXPECT_EQ(dlg.Label4.TextColor(), MakeRgb(255, 0, 0));

  std::vector<std::string> order;
  for (ui::Control* c : dlg.TabOrder()) order.push_back(c->Name());
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4),
            (std::vector<std::string>{"txtLoc", "txtCmd", "BitBtn1", "BitBtn2"}));

  // Every control inside the client area, none overlapping another.
  for (ui::Control* c : dlg.Controls()) {
    EXPECT_GE(c->place.left, 0) << c->Name();
    EXPECT_GE(c->place.top, 0) << c->Name();
    EXPECT_LE(c->place.left + c->place.width, 486) << c->Name();
    EXPECT_LE(c->place.top + c->place.height, 201) << c->Name();
    for (ui::Control* d : dlg.Controls()) {
      if (c == d) continue;
      bool apart = c->place.left + c->place.width <= d->place.left || d->place.left + d->place.width <= c->place.left ||
                   c->place.top + c->place.height <= d->place.top || d->place.top + d->place.height <= c->place.top;
      EXPECT_TRUE(apart) << c->Name() << " overlaps " << d->Name();
    }
  }
}

TEST_F(SetCmdDialog, GRuleFollowsTheLocationsExtension) {
  struct Case {
    const char* location;
    bool enabled;
  } cases[] = {
      {"C:\\Links\\App.LNK", true},
      {"C:\\Links\\app.lnk", true},
      {"app.Lnk", true},
      {"C:\\Links\\x.lnk|-a", false},
      {"C:\\a.b\\file", false},
      {"C:\\a.lnk\\file", false},
      {"C:\\Tools\\app.exe", false},
      {"", false},
      {"C:\\x.lnk.txt", false},
  };
  for (const Case& c : cases) {
    // On opening...
    Show(c.location, [&](TfrmSetCMD& dlg) { EXPECT_EQ(dlg.sBitBtn1.Enabled(), c.enabled) << c.location; });
    // ...and after a key release in the location box.
    Show("", [&](TfrmSetCMD& dlg) {
      user::Paste(dlg.txtLoc, c.location);
      user::KeyUp(dlg.txtLoc, 'X');
      EXPECT_EQ(dlg.sBitBtn1.Enabled(), c.enabled) << c.location;
    });
  }
  // Pasting alone does not recompute it.
  Show("C:\\a.lnk", [&](TfrmSetCMD& dlg) {
    user::Paste(dlg.txtLoc, "C:\\a.exe");
    EXPECT_TRUE(dlg.sBitBtn1.Enabled());
  });
}

TEST_F(SetCmdDialog, FocusGoesToTheCommandBox) {
  Show("C:\\x.exe", [&](TfrmSetCMD& dlg) { EXPECT_TRUE(dlg.txtCmd.Focused()); });
}

TEST_F(SetCmdDialog, AvailabilityCheckAndItsHint) {
  Store(
      "[Command]\r\n"
      "plain=C:\\x.exe\r\n"
      "bar=C:\\x.exe|\r\n"
      "lead=|-a\r\n"
      "full=C:\\Pro Files\\y.exe|-v --w|ignored\r\n"
      "empty=\r\n");
  struct Case {
    const char* name;
    const char* status;
    ui::Rgb color;
    const char* hint;
  } cases[] = {
      {"plain", "Already Used", MakeRgb(255, 0, 0), "Location : C:\\x.exe\n\rParameters : -"},
      {"PLAIN", "Already Used", MakeRgb(255, 0, 0), "Location : C:\\x.exe\n\rParameters : -"},
      {"bar", "Already Used", MakeRgb(255, 0, 0), "Location : C:\\x.exe\n\rParameters : -"},
      {"lead", "Already Used", MakeRgb(255, 0, 0), "Location : \n\rParameters : -a"},
      {"full", "Already Used", MakeRgb(255, 0, 0), "Location : C:\\Pro Files\\y.exe\n\rParameters : -v --w"},
      {"empty", "Available", MakeRgb(0, 128, 0), ""},
      {"fresh", "Available", MakeRgb(0, 128, 0), ""},
  };
  for (const Case& c : cases) {
    Show("C:\\z.exe", [&](TfrmSetCMD& dlg) {
      user::Type(dlg.txtCmd, c.name);
      EXPECT_EQ(dlg.lblStat.Text(), c.status) << c.name;
      EXPECT_EQ(dlg.lblStat.TextColor(), c.color) << c.name;
      EXPECT_EQ(dlg.lblStat.Hint(), c.hint) << c.name;

      // Deleting every character brings the neutral state back.
      for (size_t i = 0; i < std::string(c.name).size(); ++i) {
        user::PressKey(dlg.txtCmd, 8);
        user::KeyUp(dlg.txtCmd, 8);
      }
      EXPECT_EQ(dlg.txtCmd.Text(), "");
      EXPECT_EQ(dlg.lblStat.Text(), "-");
      EXPECT_EQ(dlg.lblStat.TextColor(), std::nullopt);
      EXPECT_EQ(dlg.lblStat.Hint(), "");
    });
  }
}

TEST_F(SetCmdDialog, MissingDataFileMakesEveryNameAvailable) {
  Show("C:\\z.exe", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "anything");
    EXPECT_EQ(dlg.lblStat.Text(), "Available");
  });
  EXPECT_FALSE(test::PathExists(ctx.DataFile()));
}

TEST_F(SetCmdDialog, BlanksAreSwallowedInTheCommandBoxOnly) {
  Store("[Command]\r\nab=C:\\x.exe\r\n");
  Show("C:\\z.exe", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "a b ");
    EXPECT_EQ(dlg.txtCmd.Text(), "ab");
    EXPECT_EQ(dlg.lblStat.Text(), "Already Used");
    user::Type(dlg.txtLoc, " -q");
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\z.exe -q");
  });
}

TEST_F(SetCmdDialog, SetStoresKeyAndValueUnchangedAndCloses) {
  Store("[Command]\r\nfirst=C:\\1.exe\r\nNotes=C:\\old.exe|\r\nlast=C:\\3.exe\r\n");
  bool closed = Show("C:\\Docs\\notes.txt|-r", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "notes");
    EXPECT_EQ(dlg.lblStat.Text(), "Already Used");
    user::Click(dlg.BitBtn1);
  });
  EXPECT_TRUE(closed);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Stored("notes"), "C:\\Docs\\notes.txt|-r");
  // The existing entry (other letter case) got the value and kept its place.
  EXPECT_EQ(Keys(), (std::vector<std::string>{"first", "Notes", "last"}));

  // Enter in either box does the same.
  EXPECT_TRUE(Show("C:\\a.exe", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "viaCmd");
    user::PressKey(dlg.txtCmd, ui::kCharEnter);
  }));
  EXPECT_TRUE(Show("C:\\b.exe", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "viaLoc");
    user::PressKey(dlg.txtLoc, ui::kCharEnter);
  }));
  EXPECT_EQ(Stored("viaCmd"), "C:\\a.exe");
  EXPECT_EQ(Stored("viaLoc"), "C:\\b.exe");
}

TEST_F(SetCmdDialog, EmptyBoxesAreRefusedAndTheDialogStaysOpen) {
  const std::string refusal = "You must fill \"Location\" and \"Command\" Textbox!";
  bool closed = Show("", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "x");
    user::PressKey(dlg.txtLoc, ui::kCharEnter);  // empty location
    EXPECT_FALSE(dlg.Closed());
    user::Paste(dlg.txtLoc, "C:\\x.exe");
    user::Paste(dlg.txtCmd, "");
    user::Click(dlg.BitBtn1);  // empty command
    EXPECT_FALSE(dlg.Closed());
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\x.exe");
  });
  EXPECT_FALSE(closed);
  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& m : ui.messages) {
    EXPECT_EQ(m.text, refusal);
    EXPECT_EQ(m.kind, ui::MsgKind::Information);
    EXPECT_EQ(m.buttons, ui::MsgButtons::Ok);
  }
  EXPECT_FALSE(test::PathExists(ctx.DataFile()));

  // Only empty text is refused: blanks count as filled.
  EXPECT_TRUE(Show("   ", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "blank");
    user::Click(dlg.BitBtn1);
  }));
  EXPECT_EQ(Keys(), std::vector<std::string>{"blank"});
}

TEST_F(SetCmdDialog, EscapeAndCancelWriteNothing) {
  for (int way = 0; way < 3; ++way) {
    EXPECT_TRUE(Show("C:\\x.exe", [&](TfrmSetCMD& dlg) {
      user::Type(dlg.txtCmd, "name");
      if (way == 0) user::PressKey(dlg.txtCmd, ui::kCharEscape);
      if (way == 1) user::PressKey(dlg.txtLoc, ui::kCharEscape);
      if (way == 2) user::Click(dlg.BitBtn2);
    })) << way;
  }
  EXPECT_FALSE(test::PathExists(ctx.DataFile()));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SetCmdDialog, GetRealLocationThenReset) {
  fp.links.existing["C:\\Links\\App.LNK"] = {"C:\\Program Files\\App\\app.exe", "-x \"y\""};
  fp.links.existing["C:\\Links\\plain.lnk"] = {"D:\\Data", ""};
  Show("C:\\Links\\App.LNK", [&](TfrmSetCMD& dlg) {
    ASSERT_TRUE(dlg.sBitBtn1.Enabled());
    user::Click(dlg.sBitBtn1);
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\Program Files\\App\\app.exe|-x \"y\"");
    EXPECT_FALSE(dlg.sBitBtn1.Enabled());
    user::Click(dlg.sBitBtn2);
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\Links\\App.LNK");
    EXPECT_TRUE(dlg.sBitBtn1.Enabled());
  });
  Show("C:\\Links\\plain.lnk", [&](TfrmSetCMD& dlg) {
    user::Click(dlg.sBitBtn1);
    EXPECT_EQ(dlg.txtLoc.Text(), "D:\\Data");
  });
  // A shortcut that cannot be read empties the box; "R" brings the path back.
  Show("C:\\Links\\broken.lnk", [&](TfrmSetCMD& dlg) {
    user::Click(dlg.sBitBtn1);
    EXPECT_EQ(dlg.txtLoc.Text(), "");
    EXPECT_FALSE(dlg.sBitBtn1.Enabled());
    user::Click(dlg.sBitBtn2);
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\Links\\broken.lnk");
  });
}

TEST_F(SetCmdDialog, ResetLocationIsRetakenWhenTheDialogBecomesActiveAgain) {
  Show("C:\\first.lnk", [&](TfrmSetCMD& dlg) {
    EXPECT_EQ(dlg.ResetLocation(), "C:\\first.lnk");
    user::Paste(dlg.txtLoc, "C:\\second.exe");
    user::Click(dlg.BitBtn1);  // empty command: message box, then active again
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(dlg.ResetLocation(), "C:\\second.exe");
    EXPECT_TRUE(dlg.txtCmd.Focused());
    user::Paste(dlg.txtLoc, "C:\\third.exe");
    user::Click(dlg.sBitBtn2);
    EXPECT_EQ(dlg.txtLoc.Text(), "C:\\second.exe");
  });
}

TEST_F(SetCmdDialog, FailedWriteIsReportedAndTheDialogStaysOpen) {
  // A folder where the data file should be: the write cannot succeed.
  std::filesystem::create_directory(ctx.DataFile());
  bool closed = Show("C:\\x.exe", [&](TfrmSetCMD& dlg) {
    user::Type(dlg.txtCmd, "name");
    user::Click(dlg.BitBtn1);
    EXPECT_FALSE(dlg.Closed());
  });
  EXPECT_FALSE(closed);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Unable to write to " + ctx.DataFile() + ".");
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
}

}  // namespace
}  // namespace tvx
