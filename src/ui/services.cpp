#include "ui/services.h"

#include "platform/error.h"

namespace tvx::ui {

void IUiServices::ShowError(const std::string& message) {
  ShowMessage(ErrorBoxText(message), MsgKind::Error, MsgButtons::Ok);
}

}  // namespace tvx::ui
