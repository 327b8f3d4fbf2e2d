// A small widget kit: the controls and windows that the programs' forms use, as
// plain state with change events. The forms hold their decisions; a platform
// peer (the Win32 layer) mirrors each control on screen, and tests drive the
// same objects headless.
//
// Events: the On* callbacks are raised for user input only. Setters called by
// the program update the state and the peer, and never raise an event. A peer
// reports user input through the User* methods, which update the state and
// then raise the event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace common::ui {

enum class TCursor { Default, HourGlass };
// The two system colours that fields are painted in.
enum class TColor { Window, BtnFace };

using TNotifyEvent = std::function<void()>;

class TComponent;

// The on-screen side of a component. The headless kit attaches none.
class IPeer {
 public:
  virtual ~IPeer() = default;
  // The component's state changed by the program: show it.
  virtual void Sync(const TComponent& component) = 0;
  // Moves the keyboard focus to the control; false when it cannot take it.
  virtual bool Focus() { return true; }
};

class TComponent {
 public:
  explicit TComponent(std::string name) : name_(std::move(name)) {}
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent() = default;

  const std::string& Name() const { return name_; }
  void AttachPeer(IPeer* peer) {
    peer_ = peer;
    Changed();
  }
  IPeer* Peer() const { return peer_; }

 protected:
  void Changed() {
    if (peer_ != nullptr) peer_->Sync(*this);
  }

 private:
  std::string name_;
  IPeer* peer_ = nullptr;
};

// A component that is a control on the window: it can be enabled, shown and focused.
class TControl : public TComponent {
 public:
  using TComponent::TComponent;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { Set(enabled_, value); }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }
  // Whether the control can take the focus now (shown and enabled).
  virtual bool CanFocus() const { return enabled_ && visible_; }

 protected:
  template <class T>
  void Set(T& field, T value) {
    if (field == value) return;
    field = std::move(value);
    Changed();
  }

 private:
  bool enabled_ = true;
  bool visible_ = true;
};

class TLabel : public TControl {
 public:
  using TControl::TControl;
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value) { Set(caption_, std::move(value)); }
  bool CanFocus() const override { return false; }

 private:
  std::string caption_;
};

class TButton : public TControl {
 public:
  using TControl::TControl;
  TNotifyEvent OnClick;
  void UserClick() {
    if (OnClick) OnClick();
  }
};

// A single-line text field; also the base of the folder field.
class TEdit : public TControl {
 public:
  using TControl::TControl;
  const std::string& Text() const { return text_; }
  void SetText(std::string value) { Set(text_, std::move(value)); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { Set(readOnly_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }

  TNotifyEvent OnChange;
  TNotifyEvent OnExit;
  void UserSetText(std::string value) {
    if (text_ == value) return;
    text_ = std::move(value);
    if (OnChange) OnChange();
  }
  void UserExit() {
    if (OnExit) OnExit();
  }

 private:
  std::string text_;
  bool readOnly_ = false;
  TColor color_ = TColor::Window;
};

// A text field with a browse button that picks a folder.
class TFolderEdit : public TEdit {
 public:
  using TEdit::TEdit;
};

// A number field with arrows that always holds a whole number in its range.
class TSpinEdit : public TControl {
 public:
  TSpinEdit(std::string name, std::int32_t minValue, std::int32_t maxValue, std::int32_t value)
      : TControl(std::move(name)), min_(minValue), max_(maxValue), value_(Clamp(value)) {}
  std::int32_t Value() const { return value_; }
  void SetValue(std::int32_t value) { Set(value_, Clamp(value)); }
  std::int32_t MinValue() const { return min_; }
  std::int32_t MaxValue() const { return max_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { Set(readOnly_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }

  TNotifyEvent OnChange;
  // User input: a number outside the range is refused and the field keeps its
  // number (the peer shows it again). Returns whether the number was taken.
  bool UserSetValue(std::int32_t value) {
    if (value < min_ || value > max_) {
      Changed();
      return false;
    }
    if (value != value_) {
      value_ = value;
      if (OnChange) OnChange();
    }
    return true;
  }
  // The user left the field while it held no number: it takes its minimum.
  void UserLeftEmpty() {
    Changed();
    UserSetValue(min_);
  }

 private:
  std::int32_t Clamp(std::int32_t v) const { return v < min_ ? min_ : (v > max_ ? max_ : v); }
  std::int32_t min_;
  std::int32_t max_;
  std::int32_t value_;
  bool readOnly_ = false;
  TColor color_ = TColor::Window;
};

// A control with a caption that is checked or not: the base of check boxes
// and radio buttons.
class TCheckable : public TControl {
 public:
  TCheckable(std::string name, std::string caption, bool checked)
      : TControl(std::move(name)), caption_(std::move(caption)), checked_(checked) {}
  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value) { Set(checked_, value); }

  TNotifyEvent OnClick;

 protected:
  // A click by the user: the new state is shown, then OnClick is raised.
  void Click(bool checked) {
    checked_ = checked;
    Changed();
    if (OnClick) OnClick();
  }

 private:
  std::string caption_;
  bool checked_;
};

class TCheckBox : public TCheckable {
 public:
  TCheckBox(std::string name, std::string caption, bool checked = false)
      : TCheckable(std::move(name), std::move(caption), checked) {}
  // A click toggles the box.
  void UserClick() { Click(!Checked()); }
};

// Checking one button of a group unchecks the others: the form does that
// through SetChecked on each.
class TRadioButton : public TCheckable {
 public:
  TRadioButton(std::string name, std::string caption, bool checked = false)
      : TCheckable(std::move(name), std::move(caption), checked) {}
  // A click checks the button.
  void UserClick() { Click(true); }
};

// A list of text items with one selected position (-1 for none). Used for
// pick-only drop-down lists and for radio groups.
class TItemList : public TControl {
 public:
  TItemList(std::string name, std::vector<std::string> items = {}, int itemIndex = -1)
      : TControl(std::move(name)), items_(std::move(items)), itemIndex_(itemIndex) {}
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items) { Set(items_, std::move(items)); }
  void AddItem(std::string item) {
    items_.push_back(std::move(item));
    Changed();
  }
  void Clear() {
    items_.clear();
    itemIndex_ = -1;
    Changed();
  }
  int ItemIndex() const { return itemIndex_; }
  // -1 selects nothing; any other position outside the list is refused.
  // Returns whether the position was taken.
  bool SetItemIndex(int value) {
    if (value < -1 || value >= static_cast<int>(items_.size())) return false;
    Set(itemIndex_, value);
    return true;
  }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }

  TNotifyEvent OnChange;
  void UserSelect(int value) {
    if (value < 0 || value >= static_cast<int>(items_.size()) || value == itemIndex_) return;
    itemIndex_ = value;
    if (OnChange) OnChange();
  }

 private:
  std::vector<std::string> items_;
  int itemIndex_;
  TColor color_ = TColor::Window;
};

using TComboBox = TItemList;

// A group of radio buttons, one per item; a distinct kind so that code that
// treats drop-down lists specially can tell the two apart.
class TRadioGroup : public TItemList {
 public:
  using TItemList::TItemList;
};

// A four-part IPv4 address field holding a 32-bit value, the first part in the
// highest byte (192.0.2.7 is 0xC0000207). How text maps to the value is the
// form's business.
class TIPEdit : public TControl {
 public:
  using TControl::TControl;
  std::uint32_t Value() const { return value_; }
  void SetValue(std::uint32_t value) { Set(value_, value); }

  TNotifyEvent OnChange;
  void UserSetValue(std::uint32_t value) {
    if (value == value_) return;
    value_ = value;
    if (OnChange) OnChange();
  }

 private:
  std::uint32_t value_ = 0;
};

// Rows of text cells, each row owning one record of type T; one selected row or none.
class TListGridBase : public TControl {
 public:
  using TControl::TControl;
  virtual int RowCount() const = 0;
  virtual const std::vector<std::string>& Cells(int row) const = 0;
  int Selected() const { return selected_; }
  void SetSelected(int row) {
    if (row < -1 || row >= RowCount()) row = -1;
    if (row == selected_) return;
    selected_ = row;
    Changed();
    if (OnSelectionChange) OnSelectionChange();
  }

  TNotifyEvent OnSelectionChange;  // any change of the selection
  TNotifyEvent OnItemDeletion;     // a row was removed
  TNotifyEvent OnDblClick;
  std::function<void(int key)> OnKeyDown;  // virtual-key code
  void UserSelect(int row) { SetSelected(row); }
  void UserDblClick() {
    if (OnDblClick) OnDblClick();
  }
  void UserKeyDown(int key) {
    if (OnKeyDown) OnKeyDown(key);
  }

 protected:
  int selected_ = -1;
};

template <class T>
class TListGrid : public TListGridBase {
 public:
  using TListGridBase::TListGridBase;
  struct Row {
    std::vector<std::string> cells;
    std::unique_ptr<T> record;
  };
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  const std::vector<std::string>& Cells(int row) const override { return rows_.at(row).cells; }
  T& Record(int row) { return *rows_.at(row).record; }
  const T& Record(int row) const { return *rows_.at(row).record; }

  void AddRow(std::vector<std::string> cells, std::unique_ptr<T> record) {
    rows_.push_back(Row{std::move(cells), std::move(record)});
    Changed();
  }
  void SetCells(int row, std::vector<std::string> cells) {
    rows_.at(row).cells = std::move(cells);
    Changed();
  }
  // Removes a row with its record; the selection moves to the row that takes
  // its place, or the one before it.
  void DeleteRow(int row) {
    rows_.erase(rows_.begin() + row);
    int next = selected_ > row ? selected_ - 1 : selected_;
    if (next >= RowCount()) next = RowCount() - 1;
    selected_ = next;
    Changed();
    if (OnSelectionChange) OnSelectionChange();
    if (OnItemDeletion) OnItemDeletion();
  }
  void ClearRows() {
    rows_.clear();
    selected_ = -1;
    Changed();
  }

 private:
  std::vector<Row> rows_;
};

class TPageControl : public TControl {
 public:
  TPageControl(std::string name, std::vector<std::string> captions, std::vector<bool> tabVisible,
               int activePage)
      : TControl(std::move(name)),
        captions_(std::move(captions)),
        tabVisible_(std::move(tabVisible)),
        activePage_(activePage) {}
  const std::vector<std::string>& Captions() const { return captions_; }
  bool TabVisible(int page) const { return tabVisible_.at(page); }
  int ActivePageIndex() const { return activePage_; }
  void SetActivePageIndex(int page) { Set(activePage_, page); }
  void UserSelectPage(int page) { activePage_ = page; }

 private:
  std::vector<std::string> captions_;
  std::vector<bool> tabVisible_;
  int activePage_;
};

class TStatusBar : public TControl {
 public:
  using TControl::TControl;
  const std::string& Text() const { return text_; }
  void SetText(std::string value) { Set(text_, std::move(value)); }

 private:
  std::string text_;
};

// A picture area showing one picture of an image list by index.
class TImage : public TControl {
 public:
  using TControl::TControl;
  int PictureIndex() const { return picture_; }
  void SetPictureIndex(int value) { Set(picture_, value); }

 private:
  int picture_ = -1;
};

// A separator line drawn as the bottom edge of its box; takes no focus.
class TBevel : public TControl {
 public:
  using TControl::TControl;
  bool CanFocus() const override { return false; }
};

// A timer of a window: raises OnTimer every Interval milliseconds while it is
// enabled.
class TTimer : public TComponent {
 public:
  TTimer(std::string name, std::uint32_t interval)
      : TComponent(std::move(name)), interval_(interval) {}
  std::uint32_t Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    Changed();
  }

  TNotifyEvent OnTimer;
  void UserTick() {
    if (OnTimer) OnTimer();
  }

 private:
  std::uint32_t interval_;
  bool enabled_ = false;
};

// An entry of a pop-up menu: a command with its identifier, or a separator
// (identifier 0).
struct TMenuItem {
  std::uint32_t id = 0;
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool operator==(const TMenuItem&) const = default;
};

// A notification-area icon showing the program's own icon. Setting Enabled
// shows the icon, clearing it removes it; Hint is the icon's tooltip. While the
// icon is shown and the window is minimised, the platform hides the window's
// task-bar button.
class TTrayIcon : public TComponent {
 public:
  using TComponent::TComponent;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    Changed();
  }
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string value) {
    if (hint_ == value) return;
    hint_ = std::move(value);
    Changed();
  }
  // -1 shows the program's own icon; another value, one of the platform's
  // pictures of the icon with a sign.
  int Picture() const { return picture_; }
  void SetPicture(int value) {
    if (picture_ == value) return;
    picture_ = value;
    Changed();
  }
  // Shows a notification balloon from the icon, once for each call.
  void ShowBalloon(std::string title, std::string text) {
    balloonTitle_ = std::move(title);
    balloonText_ = std::move(text);
    ++balloons_;
    Changed();
  }
  const std::string& BalloonTitle() const { return balloonTitle_; }
  const std::string& BalloonText() const { return balloonText_; }
  // How many balloons were asked for; the platform shows each new one.
  std::uint32_t Balloons() const { return balloons_; }

  TNotifyEvent OnDblClick;
  void UserDblClick() {
    if (OnDblClick) OnDblClick();
  }
  // The right-click menu: the platform asks for its entries, shows them, and
  // reports the one chosen.
  std::function<std::vector<TMenuItem>()> OnContextMenu;
  std::function<void(std::uint32_t id)> OnMenuCommand;
  std::vector<TMenuItem> UserContextMenu() const {
    return OnContextMenu ? OnContextMenu() : std::vector<TMenuItem>{};
  }
  void UserMenuCommand(std::uint32_t id) {
    if (OnMenuCommand) OnMenuCommand(id);
  }

 private:
  bool enabled_ = false;
  std::string hint_;
  int picture_ = -1;
  std::string balloonTitle_;
  std::string balloonText_;
  std::uint32_t balloons_ = 0;
};

// How a modal window ended: None while it is up, Ok or Cancel after.
enum class TModalResult { None, Ok, Cancel };

class TForm;

// The platform side of a modal window: shows the form, runs a message loop
// until the form asks to close, and hides it again. Tests script it.
class IModalHost {
 public:
  virtual ~IModalHost() = default;
  virtual void RunModal(TForm& form) = 0;
};

// A window: caption, cursor, active control, placement, its components in
// their order of declaration, and the close request.
class TForm : public TComponent {
 public:
  using TComponent::TComponent;
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value) {
    caption_ = std::move(value);
    Changed();
  }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value) {
    if (cursor_ == value) return;
    cursor_ = value;
    Changed();
  }
  TControl* ActiveControl() const { return active_; }
  // Makes the control the active one (focused when the window shows). Returns
  // false when it cannot take the focus, and then changes nothing.
  bool SetActiveControl(TControl* control) {
    if (control != nullptr && !control->CanFocus()) return false;
    if (control != nullptr && control->Peer() != nullptr && !control->Peer()->Focus()) return false;
    active_ = control;
    return true;
  }
  // The platform reports the control that got the focus.
  void UserFocused(TControl* control) { active_ = control; }

  struct Placement {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Placement&) const = default;
  };
  const Placement& GetPlacement() const { return placement_; }
  void SetPlacement(const Placement& value) {
    placement_ = value;
    Changed();
  }
  void UserMoved(const Placement& value) { placement_ = value; }

  // Whether the window is the active (foreground) window of the program.
  bool IsActiveWindow() const { return activeWindow_; }
  void SetActiveWindow(bool value) { activeWindow_ = value; }

  // Asks the window to close; the platform ends its modal loop or the program.
  void Close() {
    closeRequested_ = true;
    Changed();
  }
  bool CloseRequested() const { return closeRequested_; }
  void ResetClose() { closeRequested_ = false; }

  // The result of a modal showing. Setting Ok or Cancel also asks the window
  // to close, as a dialog button does.
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) {
    modalResult_ = value;
    if (value != TModalResult::None) Close();
  }
  // The user closed the window by its close box, Alt+F4 or the system menu:
  // a modal window ends with Cancel, and the window asks to close.
  void UserClose() {
    if (modalResult_ == TModalResult::None) modalResult_ = TModalResult::Cancel;
    Close();
  }

  // The components in their order of declaration.
  const std::vector<TComponent*>& Components() const { return components_; }

 protected:
  void Register(TComponent& component) { components_.push_back(&component); }

 private:
  std::string caption_;
  TCursor cursor_ = TCursor::Default;
  TControl* active_ = nullptr;
  Placement placement_;
  bool activeWindow_ = false;
  bool closeRequested_ = false;
  TModalResult modalResult_ = TModalResult::None;
  std::vector<TComponent*> components_;
};

// Sets the hourglass cursor on a window and puts the default cursor back on
// every way out of the scope that holds it.
class THourGlass {
 public:
  explicit THourGlass(TForm& form) : form_(form) { form_.SetCursor(TCursor::HourGlass); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
  ~THourGlass() { form_.SetCursor(TCursor::Default); }

 private:
  TForm& form_;
};

}  // namespace common::ui
