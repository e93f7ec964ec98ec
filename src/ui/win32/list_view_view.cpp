// A report-style list (it also serves as a read-only grid). The control
// holds no rows of its own: it asks the model for the text of the cells it
// shows, and the selection is mirrored both ways, row by row.
#include <windows.h>
// windows.h first: the other system headers need its types.
#include <commctrl.h>

#include <algorithm>

#include "platform/win32/wide.h"
#include "ui/win32/child_view.h"
#include "ui/win32/drop_target.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_ui.h"

namespace tvx::ui::win32 {

namespace {

class ListViewView final : public ChildView {
 public:
  ListViewView(FormWindow& form, ListView& list, int id) : ChildView(form, list, id), list_(list) {}

  void Describe(CreateParams& params) override {
    params.windowClass = WC_LISTVIEWW;
    params.style = LVS_REPORT | LVS_OWNERDATA;
    if (!list_.hideSelection) params.style |= LVS_SHOWSELALWAYS;
    if (!list_.multiSelect) params.style |= LVS_SINGLESEL;
    params.exStyle = WS_EX_CLIENTEDGE;
    params.text.clear();
  }

  void Created() override {
    DWORD ex = LVS_EX_DOUBLEBUFFER;
    if (list_.gridLines) ex |= LVS_EX_GRIDLINES;
    if (list_.rowSelect) ex |= LVS_EX_FULLROWSELECT;
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    for (size_t i = 0; i < list_.columns.size(); ++i) {
      std::wstring caption = tvx::win32::Widen(list_.columns[i].caption);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = caption.data();
      column.cx = form_.ScaleX(list_.columns[i].width);
      column.iSubItem = static_cast<int>(i);
      Send(LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SyncRows();
    if (list_.acceptsFileDrop && form_.Ui().EnsureOle()) {
      drop_ = std::make_unique<FileDropTarget>(*this);
      if (FAILED(RegisterDragDrop(hwnd_, drop_.get()))) drop_.reset();
    }
  }

  ~ListViewView() override { RevokeDrop(); }

  void Unhooking() override { RevokeDrop(); }

  void Mirror(Prop what) override {
    if (what == Prop::Rows) {
      updating_ = false;
      SyncRows();
    } else if (what == Prop::Selection) {
      updating_ = false;
      SyncSelection();
    }
  }

  LRESULT OnNotify(NMHDR& header) override {
    switch (header.code) {
      case LVN_GETDISPINFOW: {
        auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
        if ((info.item.mask & LVIF_TEXT) && info.item.iItem >= 0 && info.item.iItem < list_.RowCount() &&
            info.item.cchTextMax > 0) {
          std::wstring cell = tvx::win32::Widen(list_.CellView(info.item.iItem, info.item.iSubItem));
          size_t n = std::min(cell.size(), static_cast<size_t>(info.item.cchTextMax - 1));
          cell.copy(info.item.pszText, n);
          info.item.pszText[n] = L'\0';
        }
        break;
      }
      case LVN_ITEMCHANGED: {
        auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        if (updating_ || !(change.uChanged & LVIF_STATE)) break;
        const UINT changed = change.uOldState ^ change.uNewState;
        if ((changed & LVIS_SELECTED) == 0 && change.iItem >= 0) {
          // A row that only gains or loses the focus is a change of the list too.
          if (changed & LVIS_FOCUSED) list_.RaiseChange();
          break;
        }
        UpdateSelectionFromControl(change.iItem, change.iItem < 0 ? list_.RowCount() - 1 : change.iItem);
        break;
      }
      case LVN_ODSTATECHANGED: {
        auto& change = reinterpret_cast<NMLVODSTATECHANGE&>(header);
        if (!updating_) UpdateSelectionFromControl(change.iFrom, change.iTo);
        break;
      }
      case NM_DBLCLK:
        list_.RaiseDblClick();
        break;
      case NM_CLICK:
        list_.RaiseClick();
        break;
      default:
        break;
    }
    return 0;
  }

  void DeliverDrop() override {
    std::vector<std::string> paths;
    paths.swap(pendingDrop_);
    if (!paths.empty()) list_.RaiseDropFiles(paths);
  }

  IDropTarget* DropTarget() const override { return drop_.get(); }

 private:
  void RevokeDrop() {
    if (!drop_) return;
    if (hwnd_) RevokeDragDrop(hwnd_);
    drop_.reset();
  }

  void SyncRows() {
    updating_ = true;
    Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(list_.RowCount()), LVSICF_NOINVALIDATEALL);
    // Clearing the selection visits every row; a new list has none to clear.
    if (Send(LVM_GETSELECTEDCOUNT, 0, 0) > 0) {
      LVITEMW clear{};
      clear.stateMask = LVIS_SELECTED;
      Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    }
    shownSelection_.assign(static_cast<size_t>(list_.RowCount()), 0);
    updating_ = false;
    SyncSelection();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

  void SyncSelection() {
    if (shownSelection_.size() != static_cast<size_t>(list_.RowCount())) {
      SyncRows();
      return;
    }
    updating_ = true;
    for (int i = 0; i < list_.RowCount(); ++i) {
      char selected = list_.IsSelected(i) ? 1 : 0;
      if (shownSelection_[static_cast<size_t>(i)] == selected) continue;
      shownSelection_[static_cast<size_t>(i)] = selected;
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED;
      item.state = selected ? LVIS_SELECTED : 0;
      Send(LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    updating_ = false;
  }

  void UpdateSelectionFromControl(int from, int to) {
    if (shownSelection_.size() != static_cast<size_t>(list_.RowCount())) return;
    if (from < 0) {
      from = 0;
      to = list_.RowCount() - 1;
    }
    to = std::min(to, list_.RowCount() - 1);
    // Deselections first, so that a handler reading the selection never sees
    // the old and the new row selected together.
    std::vector<std::pair<int, bool>> changes;
    for (int i = from; i <= to; ++i) {
      bool selected = (Send(LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED) != 0;
      if (shownSelection_[static_cast<size_t>(i)] != (selected ? 1 : 0)) {
        shownSelection_[static_cast<size_t>(i)] = selected ? 1 : 0;
        changes.emplace_back(i, selected);
      }
    }
    std::stable_partition(changes.begin(), changes.end(), [](const auto& c) { return !c.second; });
    for (const auto& [index, selected] : changes) {
      if (index < list_.RowCount()) list_.SetSelectedFromView(index, selected);
      // A handler may have changed the list; the control follows the model.
      if (!hwnd_ || form_.Destroying()) return;
    }
    if (!changes.empty()) SyncSelection();
  }

  ListView& list_;
  std::vector<char> shownSelection_;  // the selection as the control holds it
  std::unique_ptr<FileDropTarget> drop_;
};

}  // namespace

std::unique_ptr<ChildView> MakeListViewView(FormWindow& form, Control& control, int id) {
  return std::make_unique<ListViewView>(form, static_cast<ListView&>(control), id);
}

}  // namespace tvx::ui::win32
