#include "ui/form.h"

#include <algorithm>

#include "platform/error.h"
#include "ui/services.h"

namespace tvx::ui {

Form::Form(IUiServices& ui, std::string name) : ui_(ui), name_(std::move(name)) {}

Form::~Form() = default;

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : controls_)
    if (c->Name() == name) return c;
  return nullptr;
}

std::vector<Control*> Form::TabOrder() const {
  std::vector<Control*> order;
  for (Control* c : controls_)
    if (c->tabOrder >= 0) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->tabOrder < b->tabOrder; });
  return order;
}

void Form::Close() {
  if (closed_ || closing_) return;
  closing_ = true;
  if (OnClose) Dispatch(OnClose);
  closing_ = false;
  closed_ = true;
  if (view_) view_->CloseRequested();
}

void Form::Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Error& e) {
    ui_.ShowError(e.what());
  }
}

void Form::FocusControl(Control& control) {
  activeControl_ = &control;
  if (control.View()) control.View()->Focus(control);
}

void Form::RaiseActivate() {
  if (OnActivate) Dispatch(OnActivate);
}

}  // namespace tvx::ui
