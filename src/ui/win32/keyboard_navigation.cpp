// Keyboard navigation of a form window: Tab through the tab order, and the
// accelerators of captions ("&Name").
#include "ui/win32/form_window.h"

namespace tvx::ui::win32 {

namespace {

// The letter after a single "&" of a caption, 0 when none ("&&" is a literal).
char AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void FormWindow::MoveFocus(bool backwards) {
  std::vector<Control*> order;
  for (Control* c : form_.TabOrder())
    if (Usable(*c) && ViewOf(*c)) order.push_back(c);
  if (order.empty()) return;
  HWND focus = GetFocus();
  int at = -1;
  for (size_t i = 0; i < order.size(); ++i) {
    HWND h = ViewOf(*order[i])->Handle();
    if (h == focus || IsChild(h, focus)) at = static_cast<int>(i);
  }
  int n = static_cast<int>(order.size());
  int next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
  ChildView* view = ViewOf(*order[static_cast<size_t>(next)]);
  SetFocus(view->Handle());
  view->TabbedInto();
}

bool FormWindow::HandleAccelerator(char key) {
  char wanted = LowerAscii(key);
  for (const auto& child : children_) {
    Control& c = child->Model();
    if (!Usable(c) || LowerAscii(AcceleratorOf(c.Text())) != wanted || wanted == 0) continue;
    if (child->Accelerate()) return true;
  }
  return false;
}

}  // namespace tvx::ui::win32
