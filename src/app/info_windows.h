#pragma once
// The small information windows of the picture strip: About, support and
// further software. They show text only and change no data.
#include <string>

#include "context/context.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace tvx::app {

// A modal text window closed by its button, Escape or the close box.
class InfoWindow : public ui::Form {
 public:
  InfoWindow(Context& ctx, const std::string& name, const std::string& title);
  ui::Label lblTitle{*this, "lblTitle"};
  ui::Label lblBody{*this, "lblBody"};
  ui::Button btnClose{*this, "btnClose"};

 protected:
  void SetBody(const std::string& heading, const std::string& body);
};

class TfrmAbout : public InfoWindow {
 public:
  TfrmAbout(Context& ctx, const std::string& version);
};

class TfrmSupport : public InfoWindow {
 public:
  explicit TfrmSupport(Context& ctx);
};

class TfrmMore : public InfoWindow {
 public:
  TfrmMore(Context& ctx, const std::string& productName);
};

}  // namespace tvx::app
