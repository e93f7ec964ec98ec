#include "app/info_windows.h"

namespace tvx::app {

InfoWindow::InfoWindow(Context& ctx, const std::string& name, const std::string& title) : ui::Form(ctx.ui, name) {
  caption = title;
  clientWidth = 340;
  clientHeight = 190;
  border = ui::BorderStyle::FixedDialog;
  position = ui::Position::OwnerCenter;
  escapeCloses = true;
  lblTitle.place = {16, 12, 308, 20};
  lblTitle.font = {"", 0, 12, true};
  lblBody.place = {16, 40, 308, 100};
  lblBody.wordWrap = true;
  btnClose.SetText("OK");
  btnClose.place = {244, 150, 80, 27};
  btnClose.tabOrder = 0;
  btnClose.isDefault = true;
  btnClose.OnClick = [this] { Close(); };
  btnClose.OnKeyPress = [this](char& key) {
    if (key == ui::kCharEscape || key == ui::kCharEnter) {
      key = 0;
      Close();
    }
  };
  SetActiveControl(&btnClose);
}

void InfoWindow::SetBody(const std::string& heading, const std::string& body) {
  lblTitle.SetText(heading);
  lblBody.SetText(body);
}

TfrmAbout::TfrmAbout(Context& ctx, const std::string& version) : InfoWindow(ctx, "frmAbout", "About") {
  SetBody("Tavrix", "Version " + version +
                        "\n\nA keyboard launcher: type a short command name, press Enter, and the file, folder or "
                        "program it stands for opens.");
}

TfrmSupport::TfrmSupport(Context& ctx) : InfoWindow(ctx, "frmSupport", "Support Us!") {
  SetBody("Support Tavrix",
          "Tavrix is free. If it saves you time, tell a friend about it, report what could be better, or send "
          "a word of thanks to its contributors: the Tavrix developers and everyone who reported a fault.");
}

TfrmMore::TfrmMore(Context& ctx, const std::string& productName) : InfoWindow(ctx, "frmMore", "More Software") {
  SetBody("More from the makers of " + productName,
          "Small, fast utilities for the keyboard user. Visit our home page for the list and the download "
          "links.");
}

}  // namespace tvx::app
