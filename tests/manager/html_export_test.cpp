// "Save List": the page's exact bytes, its place and its failure.
#include "manager_fixture.h"

namespace tvx::test {
namespace {

using namespace ui::user;

const std::string kHead =
    "<center><font size=\"10\">Tavrix</font><br>\r\n"
    "<font size=\"6\">Command List</font><br><br>\r\n"
    "<table align=\"center\" border=\"1\">\r\n"
    "<tr><th width=\"30%\">Command Name</th><th width=\"60%\">Location + Parameter</th></tr>\r\n";
const std::string kTail = "</table></center><br>\r\n";

std::string Row(const std::string& name, const std::string& value) {
  return "<tr><td width=\"30%\"><center>" + name + "</center></td><td width=\"60%\"><div style=\"padding-left:5px\">" +
         value + "</div></td></tr>\r\n";
}

class HtmlExportTest : public ManagerTest {
 protected:
  void SetUp() override { fake.files.specialFolders[kCsidlDesktop] = "C:\\Users\\me\\Desktop"; }
  const std::string path = "C:\\Users\\me\\Desktop\\TVX Command List.htm";
};

TEST_F(HtmlExportTest, RowsInListOrderWithValuesAsStored) {
  WriteCommands({{"b", "%WINDIR%\\b.exe|-x"}, {"a", "C:\\a.exe|"}});
  auto& m = OpenManager();
  Click(m.sBitBtn2);
  EXPECT_EQ(fake.files.written.at(path), kHead + Row("a", "C:\\a.exe|") + Row("b", "%WINDIR%\\b.exe|-x") + kTail);
  // Saving again replaces the page.
  WriteCommands({{"c", "c.exe|"}});
  m.RaiseActivate();
  Click(m.sBitBtn2);
  EXPECT_EQ(fake.files.written.at(path), kHead + Row("c", "c.exe|") + kTail);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HtmlExportTest, MarkupInNamesAndValuesIsShownAsText) {
  WriteCommands({{"x<y>", "C:\\a&b.exe|\"<script>alert(1)</script>\""}});
  auto& m = OpenManager();
  Click(m.sBitBtn2);
  EXPECT_EQ(fake.files.written.at(path),
            kHead + Row("x&lt;y&gt;", "C:\\a&amp;b.exe|&quot;&lt;script&gt;alert(1)&lt;/script&gt;&quot;") + kTail);
}

TEST_F(HtmlExportTest, APageWithTextBeyondAsciiDeclaresUtf8) {
  WriteCommands(
      {{"se\xC3\xB1"
        "al",
        "C:\\\xD0\x9C\\a.exe|"}});
  auto& m = OpenManager();
  Click(m.sBitBtn2);
  EXPECT_EQ(fake.files.written.at(path), "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n" +
                                             kHead +
                                             Row("se\xC3\xB1"
                                                 "al",
                                                 "C:\\\xD0\x9C\\a.exe|") +
                                             kTail);
}

TEST_F(HtmlExportTest, EmptyListWritesNothing) {
  auto& m = OpenManager();
  fake.files.written[path] = "older page";
  Click(m.sBitBtn2);
  EXPECT_EQ(fake.files.written.at(path), "older page");
}

TEST_F(HtmlExportTest, FileThatCannotBeCreatedIsReported) {
  WriteCommands({{"a", "a.exe|"}});
  fake.files.writeFailures[path] = "Access is denied.";
  auto& m = OpenManager();
  Click(m.sBitBtn2);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Cannot create file \"" + path + "\". Access is denied.");
  EXPECT_EQ(ui.messages[0].kind, ui::MsgKind::Error);
}

}  // namespace
}  // namespace tvx::test
