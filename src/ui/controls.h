#pragma once
// Portable control models. A window class owns its controls as members; each
// control holds its state, raises its events through the owning form (which
// reports errors the way the general error handler must) and tells its view,
// if a backend attached one, about every change made from code.
//
// Rule of thumb: changing state from code never raises a user event, except
// for the list view, whose change and select events follow every selection
// change (the command manager relies on that). User actions come from a
// backend (the Win32 one, or the in-memory one in memory_backend.h).
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/key_sort.h"

namespace tvx::ui {

class Form;
class Control;

// Place in pixels at 96 DPI; the Win32 backend scales it for the monitor.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Font {
  std::string face;  // empty: the form's font
  int heightPx = 0;  // 0: the form's size
  int points = 0;    // alternative to heightPx (0: unused)
  bool bold = false;
};

// 0xRRGGBB, or nullopt for the system default.
using Rgb = std::optional<std::uint32_t>;
constexpr std::uint32_t MakeRgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

enum class Kind {
  Label,
  Edit,
  Button,
  SpeedButton,  // toggle button that stays down
  CheckBox,
  ComboBox,  // drop-down list, not editable
  ListBox,
  ListView,  // report-style list (also serves as a read-only grid)
  Image,     // small picture, clicked like a button
  Bevel,     // line
  Shape,     // framed strip
  GroupBox,
};

enum class Prop {
  Text,
  Enabled,
  Visible,
  Hint,
  Color,
  Font,
  Checked,
  Down,
  Items,
  ItemIndex,
  Mask,
  Rows,
  Selection,
  Suggestion,  // the dimmed completion shown after an edit's caret
  Caret,       // code moved an edit's caret to the end of its text
  Cue,         // the grey text an empty edit shows
};

// Virtual-key codes and characters the handlers test.
enum : int {
  kVkTab = 9,
  kVkReturn = 13,
  kVkEscape = 27,
  kVkSpace = 32,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkDelete = 46
};
enum : char { kCharEnter = 13, kCharEscape = 27, kCharCtrlR = 18 };
// Bits of the shift state passed to OnKeyUp.
enum : int { kShiftKey = 1, kAltKey = 2, kCtrlKey = 4 };

// What a backend attaches to a control to mirror changes made from code.
class ControlView {
 public:
  virtual ~ControlView() = default;
  virtual void Changed(Control& control, Prop what) = 0;
  virtual void Focus(Control& control) = 0;
};

class Control {
 public:
  Control(Form& owner, Kind kind, std::string name);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Kind GetKind() const { return kind_; }
  Form& Owner() const { return owner_; }

  // Design-time layout; set by the window's constructor.
  Rect place;
  int tabOrder = -1;  // -1: takes no focus by Tab
  int Tag = 0;
  Font font;
  bool handCursor = false;

  // Caption for labels, buttons and boxes; the text for edits.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // Text colour (labels) or face colour (buttons).
  Rgb TextColor() const { return textColor_; }
  void SetTextColor(Rgb color);
  Rgb FaceColor() const { return faceColor_; }
  void SetFaceColor(Rgb color);
  void SetFocus();
  bool Focused() const;

  // Events. Handlers run through the form's dispatch (errors are shown).
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void()> OnChange;
  std::function<void(char& key)> OnKeyPress;  // key set to 0 swallows it
  std::function<void(int& vk, int shift)> OnKeyUp;
  // Before the control acts on a key (Tab before it moves the focus, arrows
  // before they move the caret); vk set to 0 swallows the key.
  std::function<void(int& vk, int shift)> OnKeyDown;

  // Raising events (backends and in-memory user actions call these).
  void RaiseClick();
  void RaiseDblClick();
  void RaiseChange();
  void RaiseKeyPress(char& key);
  void RaiseKeyUp(int vk, int shift);
  void RaiseKeyDown(int& vk, int shift);

  // Backend side.
  void AttachView(ControlView* view) { view_ = view; }
  ControlView* View() const { return view_; }
  // Sets the text as the user changed it on screen: no view notification.
  void SetTextFromView(const std::string& text) { text_ = text; }

 protected:
  void Notify(Prop what);

 private:
  Form& owner_;
  Kind kind_;
  std::string name_;
  std::string text_;
  std::string hint_;
  bool enabled_ = true;
  bool visible_ = true;
  Rgb textColor_;
  Rgb faceColor_;
  ControlView* view_ = nullptr;
};

class Label : public Control {
 public:
  Label(Form& owner, std::string name) : Control(owner, Kind::Label, std::move(name)) {}
  // The control that the caption's "&" accelerator focuses.
  Control* focusControl = nullptr;
  bool wordWrap = false;
};

class Edit : public Control {
 public:
  Edit(Form& owner, std::string name) : Control(owner, Kind::Edit, std::move(name)) {}
  // 0: plain display; otherwise every character is shown as this one.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  bool flat = false;

  // Text shown dimmed after the caret, not part of the box's text (empty: none).
  const std::string& Suggestion() const { return suggestion_; }
  void SetSuggestion(const std::string& suggestion);
  // Whether the caret stands at the end of the text with nothing selected.
  bool CaretAtEnd() const { return caretAtEnd_; }
  // The caret as the user moved it on screen: no view notification.
  void SetCaretAtEndFromView(bool atEnd) { caretAtEnd_ = atEnd; }
  // Puts the caret at the end of the text (after code replaced the text).
  void MoveCaretToEnd();
  // Grey text that the empty box shows, also while it has the focus; never
  // part of the text (empty: none).
  const std::string& Cue() const { return cue_; }
  void SetCue(const std::string& cue);

 private:
  char passwordChar_ = 0;
  std::string cue_;
  std::string suggestion_;
  bool caretAtEnd_ = true;
};

class Button : public Control {
 public:
  Button(Form& owner, std::string name) : Control(owner, Kind::Button, std::move(name)) {}
  // Name of a picture resource shown instead of (or beside) the caption.
  std::string picture;
  bool isDefault = false;
};

class SpeedButton : public Control {
 public:
  SpeedButton(Form& owner, std::string name) : Control(owner, Kind::SpeedButton, std::move(name)) {}
  bool Down() const { return down_; }
  void SetDown(bool down);
  void SetDownFromView(bool down) { down_ = down; }

 private:
  bool down_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(Form& owner, std::string name) : Control(owner, Kind::CheckBox, std::move(name)) {}
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);  // from code: raises no click
  // The box as the user changed it on screen: no view notification.
  void SetCheckedFromView(bool checked) { checked_ = checked; }

 private:
  bool checked_ = false;
};

// Shared by the drop-down list and the list box: items kept sorted without
// regard to letter case when `sorted` is set.
class ItemsControl : public Control {
 public:
  using Control::Control;
  bool sorted = false;
  // The order of a sorted control: <0, 0, >0; unset, CompareNoCase.
  std::function<int(const std::string&, const std::string&)> compare;
  // Optional keys whose byte order is `compare`'s order: a whole list set at
  // once sorts on them, with one key per item instead of a call per
  // comparison. A missing key falls back to `compare`.
  SortKeyFunction sortKey;
  const std::vector<std::string>& Items() const { return items_; }
  void ClearItems();
  // Returns the index the item took.
  int AddItem(const std::string& item);
  void SetItems(const std::vector<std::string>& items);
  int IndexOf(const std::string& item) const;  // exact text; -1 when absent
  // The first entry equal to the text without regard to letter case, as the
  // data file matches names; -1 when absent.
  int IndexOfNoCase(const std::string& item) const;
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // from code: raises no change
  // The selection as the user made it on screen: no view notification, no event
  // (the backend raises the user events itself).
  void SetItemIndexFromView(int index);
  // The selected item's text, empty when none.
  std::string SelectedText() const;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  size_t SortedPlace(const std::string& item) const;
  bool SortByKeys();
};

class ComboBox : public ItemsControl {
 public:
  ComboBox(Form& owner, std::string name) : ItemsControl(owner, Kind::ComboBox, std::move(name)) {}
};

class ListBox : public ItemsControl {
 public:
  ListBox(Form& owner, std::string name) : ItemsControl(owner, Kind::ListBox, std::move(name)) {}
};

struct ListColumn {
  std::string caption;
  int width = 0;
};

class ListView : public Control {
 public:
  ListView(Form& owner, std::string name) : Control(owner, Kind::ListView, std::move(name)) {}

  std::vector<ListColumn> columns;
  bool gridLines = true;
  bool rowSelect = true;
  bool multiSelect = true;
  bool readOnly = true;
  bool hideSelection = false;
  bool acceptsFileDrop = false;
  // Row order: rows are kept sorted by caption with this comparison when set.
  std::function<int(const std::string&, const std::string&)> compare;
  // Optional keys whose byte order is `compare`'s order: the rows added in
  // one update sort with one call per row instead of one per comparison. A
  // missing key falls back to `compare`.
  SortKeyFunction sortKey;

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Cell text: column 0 is the caption, column n the (n-1)th sub-item (empty
  // past the last one). A row that does not exist is the error "List index
  // out of bounds (n)".
  std::string Cell(int row, int column) const { return std::string(CellView(row, column)); }
  // The same without a copy, valid until the rows next change.
  std::string_view CellView(int row, int column) const;

  // While updates are suspended, added rows are not sorted and not shown;
  // EndUpdate sorts and shows them.
  void BeginUpdate();
  void EndUpdate();
  void Clear();
  int AddRow(std::string_view caption, std::initializer_list<std::string_view> subItems);
  // Room for n rows in all, and for that many bytes of their text, for a
  // long list added row by row.
  void ReserveRows(size_t n, size_t textBytes = 0);
  void DeleteRow(int index);
  // The same for several rows at once, in one pass over the list; a
  // selection change is raised once.
  void DeleteRows(std::vector<int> indexes);
  // Sort by one column (ascending) with the given comparison, or by the keys
  // when given and every cell has one; equal cells keep their order.
  void SortByColumn(int column, const CompareFunction& cmp, const SortKeyFunction& keys = {});

  int SelectedCount() const;
  // First selected row in display order, -1 when none.
  int SelectedIndex() const;
  bool IsSelected(int index) const { return RowAt(index).selected; }
  // Raises OnSelectItem and OnChange when the state changes.
  void SetSelected(int index, bool selected);
  void ClearSelection();
  // The same for a selection the user made on screen: the events follow, but
  // the view is not told (it already shows the change).
  void SetSelectedFromView(int index, bool selected);

  std::function<void(int index, bool selected)> OnSelectItem;
  // Files dropped on the list (full paths, in drop order).
  std::function<void(const std::vector<std::string>& paths)> OnDropFiles;

  void RaiseSelectItem(int index, bool selected);
  void RaiseDropFiles(const std::vector<std::string>& paths);

 private:
  // The rows are kept compact, as a long list must be: every text in one
  // block, a cell a place in it, a row its run of cells. Sorting and deleting
  // move rows only; the text of deleted rows stays until the list is cleared.
  struct Span {
    uint32_t offset = 0, size = 0;
  };
  struct Row {
    uint32_t firstCell = 0;
    uint16_t cellCount = 0;
    bool selected = false;
  };
  const Row& RowAt(int index) const;
  std::string_view Text(const Row& row, size_t column) const;
  Span Store(std::string_view text);
  void SortRows();
  void SortRowsBy(size_t column, const CompareFunction& cmp, const SortKeyFunction& keys);
  std::vector<Row> rows_;
  std::vector<Span> cells_;
  std::string text_;
  int updateDepth_ = 0;
};

class Image : public Control {
 public:
  Image(Form& owner, std::string name) : Control(owner, Kind::Image, std::move(name)) {}
  std::string picture;  // resource name of the picture
};

class Bevel : public Control {
 public:
  Bevel(Form& owner, std::string name) : Control(owner, Kind::Bevel, std::move(name)) {}
  bool vertical = false;
};

class Shape : public Control {
 public:
  Shape(Form& owner, std::string name) : Control(owner, Kind::Shape, std::move(name)) {}
};

class GroupBox : public Control {
 public:
  GroupBox(Form& owner, std::string name) : Control(owner, Kind::GroupBox, std::move(name)) {}
};

// Case-free comparison (every letter folded) used by sorted drop-down lists
// and list boxes.
int CompareNoCase(const std::string& a, const std::string& b);

}  // namespace tvx::ui
