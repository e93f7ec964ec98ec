#include "ui/controls.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "platform/text.h"
#include "ui/form.h"
#include "ui/key_sort.h"

namespace tvx::ui {

Control::Control(Form& owner, Kind kind, std::string name) : owner_(owner), kind_(kind), name_(std::move(name)) {
  owner_.Register(this);
}

void Control::Notify(Prop what) {
  if (view_) view_->Changed(*this, what);
}

void Control::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  Notify(Prop::Text);
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(Prop::Enabled);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(Prop::Visible);
}

void Control::SetHint(const std::string& hint) {
  if (hint_ == hint) return;
  hint_ = hint;
  Notify(Prop::Hint);
}

void Control::SetTextColor(Rgb color) {
  if (textColor_ == color) return;
  textColor_ = color;
  Notify(Prop::Color);
}

void Control::SetFaceColor(Rgb color) {
  if (faceColor_ == color) return;
  faceColor_ = color;
  Notify(Prop::Color);
}

void Control::SetFocus() { owner_.FocusControl(*this); }

bool Control::Focused() const { return owner_.ActiveControl() == this; }

void Control::RaiseClick() {
  if (OnClick) owner_.Dispatch(OnClick);
}

void Control::RaiseDblClick() {
  if (OnDblClick) owner_.Dispatch(OnDblClick);
}

void Control::RaiseChange() {
  if (OnChange) owner_.Dispatch(OnChange);
}

void Control::RaiseKeyPress(char& key) {
  if (OnKeyPress) owner_.Dispatch([&] { OnKeyPress(key); });
}

void Control::RaiseKeyUp(int vk, int shift) {
  if (OnKeyUp) owner_.Dispatch([&] { OnKeyUp(vk, shift); });
}

void Control::RaiseKeyDown(int& vk, int shift) {
  if (OnKeyDown) owner_.Dispatch([&] { OnKeyDown(vk, shift); });
}

void Edit::SetSuggestion(const std::string& suggestion) {
  if (suggestion_ == suggestion) return;
  suggestion_ = suggestion;
  Notify(Prop::Suggestion);
}

void Edit::MoveCaretToEnd() {
  caretAtEnd_ = true;
  Notify(Prop::Caret);
}

void Edit::SetCue(const std::string& cue) {
  if (cue_ == cue) return;
  cue_ = cue;
  Notify(Prop::Cue);
}

void Edit::SetPasswordChar(char c) {
  if (passwordChar_ == c) return;
  passwordChar_ = c;
  Notify(Prop::Mask);
}

void SpeedButton::SetDown(bool down) {
  if (down_ == down) return;
  down_ = down;
  Notify(Prop::Down);
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Notify(Prop::Checked);
}

int CompareNoCase(const std::string& a, const std::string& b) { return text::CompareFolded(a, b); }

void ItemsControl::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  Notify(Prop::Items);
}

// After equal items, as the native sorted controls insert.
size_t ItemsControl::SortedPlace(const std::string& item) const {
  auto less = [this](const std::string& a, const std::string& b) {
    return (compare ? compare(a, b) : CompareNoCase(a, b)) < 0;
  };
  return static_cast<size_t>(std::upper_bound(items_.begin(), items_.end(), item, less) - items_.begin());
}

int ItemsControl::AddItem(const std::string& item) {
  size_t pos = sorted ? SortedPlace(item) : items_.size();
  items_.insert(items_.begin() + static_cast<long>(pos), item);
  if (itemIndex_ >= static_cast<int>(pos)) ++itemIndex_;
  Notify(Prop::Items);
  return static_cast<int>(pos);
}

void ItemsControl::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  itemIndex_ = -1;
  // One stable sort: the order of inserting each after its equals, at a
  // fraction of the cost for long lists.
  if (sorted && !SortByKeys()) {
    std::stable_sort(items_.begin(), items_.end(), [this](const std::string& a, const std::string& b) {
      return (compare ? compare(a, b) : CompareNoCase(a, b)) < 0;
    });
  }
  Notify(Prop::Items);
}

bool ItemsControl::SortByKeys() {
  auto order = OrderByKeys(items_.size(), sortKey, [this](size_t i) { return std::string_view(items_[i]); });
  if (!order) return false;
  Reorder(items_, *order);
  return true;
}

int ItemsControl::IndexOf(const std::string& item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<int>(i);
  return -1;
}

int ItemsControl::IndexOfNoCase(const std::string& item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (text::EqualsNoCase(items_[i], item)) return static_cast<int>(i);
  return -1;
}

void ItemsControl::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (itemIndex_ == index) return;
  itemIndex_ = index;
  Notify(Prop::ItemIndex);
}

void ItemsControl::SetItemIndexFromView(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  itemIndex_ = index;
}

std::string ItemsControl::SelectedText() const {
  return itemIndex_ >= 0 ? items_[static_cast<size_t>(itemIndex_)] : std::string();
}

const ListView::Row& ListView::RowAt(int index) const {
  if (index < 0 || index >= RowCount())
    throw Error(FormatMessage1("List index out of bounds (%s)", std::to_string(index)));
  return rows_[static_cast<size_t>(index)];
}

std::string_view ListView::Text(const Row& row, size_t column) const {
  if (column >= row.cellCount) return {};
  const Span& cell = cells_[row.firstCell + column];
  return std::string_view(text_).substr(cell.offset, cell.size);
}

std::string_view ListView::CellView(int row, int column) const {
  const Row& r = RowAt(row);  // a missing row is an error whatever the column
  return column < 0 ? std::string_view() : Text(r, static_cast<size_t>(column));
}

ListView::Span ListView::Store(std::string_view text) {
  if (text_.size() + text.size() > UINT32_MAX) throw std::bad_alloc();
  Span span{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(text.size())};
  text_.append(text);
  return span;
}

void ListView::ReserveRows(size_t n, size_t textBytes) {
  rows_.reserve(n);
  cells_.reserve(n * 2);
  text_.reserve(textBytes);
}

void ListView::BeginUpdate() { ++updateDepth_; }

void ListView::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    SortRows();
    Notify(Prop::Rows);
  }
}

void ListView::SortRows() {
  if (compare) SortRowsBy(0, compare, sortKey);
}

void ListView::SortRowsBy(size_t column, const CompareFunction& cmp, const SortKeyFunction& keys) {
  Reorder(rows_, SortOrder(rows_.size(), keys, cmp, [this, column](size_t i) { return Text(rows_[i], column); }));
}

void ListView::Clear() {
  bool hadSelection = SelectedCount() > 0;
  rows_.clear();
  cells_.clear();
  text_.clear();
  Notify(Prop::Rows);
  if (hadSelection && OnChange) RaiseChange();
}

int ListView::AddRow(std::string_view caption, std::initializer_list<std::string_view> subItems) {
  if (cells_.size() + subItems.size() + 1 > UINT32_MAX || subItems.size() + 1 > UINT16_MAX) throw std::bad_alloc();
  Row row{static_cast<uint32_t>(cells_.size()), static_cast<uint16_t>(subItems.size() + 1), false};
  cells_.push_back(Store(caption));
  for (std::string_view sub : subItems) cells_.push_back(Store(sub));
  if (updateDepth_ > 0 || !compare) {
    rows_.push_back(row);
    if (updateDepth_ == 0) Notify(Prop::Rows);
    return static_cast<int>(rows_.size()) - 1;
  }
  const std::string text(caption);
  auto it = std::upper_bound(rows_.begin(), rows_.end(), text, [this](const std::string& a, const Row& b) {
    return compare(a, std::string(Text(b, 0))) < 0;
  });
  int index = static_cast<int>(it - rows_.begin());
  rows_.insert(it, row);
  Notify(Prop::Rows);
  return index;
}

void ListView::DeleteRow(int index) {
  if (index < 0 || index >= RowCount()) return;
  bool wasSelected = rows_[static_cast<size_t>(index)].selected;
  rows_.erase(rows_.begin() + index);
  Notify(Prop::Rows);
  if (wasSelected) RaiseSelectItem(-1, false);
}

void ListView::DeleteRows(std::vector<int> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  bool wasSelected = false;
  size_t next = 0, kept = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    while (next < indexes.size() && indexes[next] < static_cast<int>(i)) ++next;
    if (next < indexes.size() && indexes[next] == static_cast<int>(i)) {
      wasSelected = wasSelected || rows_[i].selected;
      continue;
    }
    rows_[kept++] = rows_[i];
  }
  if (kept == rows_.size()) return;
  rows_.resize(kept);
  Notify(Prop::Rows);
  if (wasSelected) RaiseSelectItem(-1, false);
}

void ListView::SortByColumn(int column, const CompareFunction& cmp, const SortKeyFunction& keys) {
  SortRowsBy(static_cast<size_t>(std::max(column, 0)), cmp, keys);
  Notify(Prop::Rows);
}

int ListView::SelectedCount() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

int ListView::SelectedIndex() const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].selected) return static_cast<int>(i);
  return -1;
}

void ListView::SetSelected(int index, bool selected) {
  if (index < 0 || index >= RowCount()) return;
  Row& row = rows_[static_cast<size_t>(index)];
  if (row.selected == selected) return;
  row.selected = selected;
  Notify(Prop::Selection);
  RaiseSelectItem(index, selected);
}

void ListView::SetSelectedFromView(int index, bool selected) {
  if (index < 0 || index >= RowCount()) return;
  Row& row = rows_[static_cast<size_t>(index)];
  if (row.selected == selected) return;
  row.selected = selected;
  RaiseSelectItem(index, selected);
}

void ListView::ClearSelection() {
  for (int i = 0; i < RowCount(); ++i) SetSelected(i, false);
}

void ListView::RaiseSelectItem(int index, bool selected) {
  if (OnSelectItem) Owner().Dispatch([&] { OnSelectItem(index, selected); });
  RaiseChange();
}

void ListView::RaiseDropFiles(const std::vector<std::string>& paths) {
  if (OnDropFiles) Owner().Dispatch([&] { OnDropFiles(paths); });
}

}  // namespace tvx::ui
