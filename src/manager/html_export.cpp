// "Save List": the command list as a small web page on the desktop.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "manager/TVX_CmdMgr.h"
#include "platform/error.h"

namespace tvx::manager {

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CommandListHtml(const std::vector<std::pair<std::string, std::string>>& rows) {
  const std::string crlf = "\r\n";
  std::string page;
  // Text beyond ASCII is UTF-8: the page says so, or a browser would guess
  // the code page. An all-ASCII page stays as it always was.
  const bool ascii = std::all_of(rows.begin(), rows.end(), [](const auto& row) {
    auto plain = [](const std::string& s) {
      return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    return plain(row.first) && plain(row.second);
  });
  if (!ascii) page += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + crlf;
  page += "<center><font size=\"10\">Tavrix</font><br>" + crlf;
  page += "<font size=\"6\">Command List</font><br><br>" + crlf;
  page += "<table align=\"center\" border=\"1\">" + crlf;
  page += "<tr><th width=\"30%\">Command Name</th><th width=\"60%\">Location + Parameter</th></tr>" + crlf;
  // A stored value is the user's text, never markup.
  for (const auto& [name, value] : rows)
    page += "<tr><td width=\"30%\"><center>" + HtmlEscape(name) +
            "</center></td><td width=\"60%\"><div style=\"padding-left:5px\">" + HtmlEscape(value) +
            "</div></td></tr>" + crlf;
  page += "</table></center><br>" + crlf;
  return page;
}

void TtvxCM::sBitBtn2Click() {
  if (lvCmd.RowCount() == 0) return;
  std::vector<std::pair<std::string, std::string>> rows;
  rows.reserve(static_cast<size_t>(lvCmd.RowCount()));
  for (int i = 0; i < lvCmd.RowCount(); ++i) rows.emplace_back(lvCmd.Cell(i, 0), lvCmd.Cell(i, 1));

  IFileSystem& files = ctx_.platform.files;
  // Without a desktop the page goes beside the program.
  std::optional<std::string> desktop = files.SpecialFolder(kCsidlDesktop);
  std::string path = JoinPath(desktop ? *desktop : exeFolder_, kHtmlFileName);
  if (std::string reason; !files.WriteNewFile(path, CommandListHtml(rows), reason))
    throw Error(FormatMessage2("Cannot create file \"%s\". %s", path, reason));
}

}  // namespace tvx::manager
