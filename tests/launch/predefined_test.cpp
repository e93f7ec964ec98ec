// The built-in command table.
#include "launch/predefined.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace tvx {
namespace {

using launch::kPredefinedCommands;
using launch::TPCA;

const TPCA* Find(const std::string& name) {
  for (const TPCA& row : kPredefinedCommands)
    if (row.name == name) return &row;
  return nullptr;
}

void ExpectRow(const std::string& name, const std::string& caption, const std::string& location,
               const std::string& parameters) {
  const TPCA* row = Find(name);
  ASSERT_NE(row, nullptr) << name;
  EXPECT_EQ(row->caption, caption) << name;
  EXPECT_EQ(row->location, location) << name;
  EXPECT_EQ(row->parameters, parameters) << name;
}

TEST(PredefinedTable, SeventyFiveRowsWithUniqueNames) {
  EXPECT_EQ(kPredefinedCommands.size(), 75u);
  std::set<std::string> names;
  for (const TPCA& row : kPredefinedCommands) EXPECT_TRUE(names.insert(row.name).second) << row.name;
  EXPECT_EQ(std::string(kPredefinedCommands.front().name), "god");
  EXPECT_EQ(std::string(kPredefinedCommands[42].name), "osk");
  EXPECT_EQ(std::string(kPredefinedCommands[43].name), "adm");
  EXPECT_EQ(std::string(kPredefinedCommands.back().name), "win");
}

TEST(PredefinedTable, RowsAsTheyMustBeStored) {
  ExpectRow("god", "GOD MODE", "explorer.exe", "shell:::{ED7BA470-8E54-465E-825C-99712043E01C}");
  ExpectRow("n", "Notepad", "notepad.exe", "");
  ExpectRow("c", "Drive C:\\", "C:\\", "");
  ExpectRow("hib", "Shutdown - Hibernate", "RunDll32.exe", "powrprof.dll,SetSuspendState");
  ExpectRow("slp", "Shutdown - Sleep", "Rundll32.exe", "powrprof.dll,SetSuspendState 0,1,0");
  ExpectRow("dev", "Device Manager", "mmc.exe", "Devmgmt.msc");
  ExpectRow("ej", "Safely Remove Hardware", "Rundll32.exe", "Shell32.dll,Control_RunDLL HotPlug.dll");
  ExpectRow("un", "Uninstall Programs", "Rundll32.exe", "Shell32.dll,Control_RunDLL Appwiz.cpl");
  ExpectRow("kb", "Keyboard", "Rundll32.exe", "Shell32.dll,Control_RunDLL main.cpl,keyboard");
  ExpectRow("stk", "Stiky Notes", "StikyNot.exe", "");
  ExpectRow("task", "Task Scheduler", "mmc.exe", "taskschd.msc /s");
  ExpectRow("adm", "Spc. Folder - Administrative Tools", "Rundll32.exe",
            "url.dll,FileProtocolHandler \"shell:Common Administrative Tools\"");
  ExpectRow("dl", "Spc. Folder - Downloads (Current User)", "Rundll32.exe",
            "url.dll,FileProtocolHandler \"shell:Downloads\"");
  ExpectRow("win", "Spc. Folder - Windows", "Rundll32.exe", "url.dll,FileProtocolHandler shell:Windows");
  int specialFolders = 0;
  for (const TPCA& row : kPredefinedCommands)
    if (std::string(row.caption).rfind("Spc. Folder - ", 0) == 0) {
      ++specialFolders;
      EXPECT_EQ(std::string(row.location), "Rundll32.exe");
    }
  EXPECT_EQ(specialFolders, 32);
}

}  // namespace
}  // namespace tvx
