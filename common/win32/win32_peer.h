// The peers of the window layer (win32_form.h): the on-screen side of one
// widget, one or more controls of a TWin32Form. Each family of controls lives
// in a file of its own (peers_*.cpp) and is made by the factories below.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/widgets.h"
#include "common/win32/handles_win32.h"
#include "common/win32/win32_form.h"

namespace common::win32 {

using UniqueImageList = UniqueHandle<HIMAGELIST, &ImageList_Destroy>;

std::wstring WindowTextW(HWND hwnd);
std::string WindowTextA(HWND hwnd);
void SetWindowTextA8(HWND hwnd, const std::string& text);
// The window's own visibility, whatever its parent's (IsWindowVisible looks
// at the parents too, and the window is hidden while it is being filled).
bool HasVisibleStyle(HWND hwnd);
// The background brush of a field in one of the widget kit's colours.
HBRUSH FieldBrush(HDC dc, common::ui::TColor color);
UniqueBitmap LoadBitmapResource(HINSTANCE instance, int bitmapId);
SIZE BitmapSize(HBITMAP bitmap);
// Adds the bitmap's pictures to the image list with `transparent` masked out,
// or with the bitmap's bottom-left pixel's colour for CLR_DEFAULT.
void AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF transparent);

class TWin32Peer : public common::ui::IPeer {
 public:
  TWin32Peer(TWin32Form& owner, common::ui::TControl& control, std::vector<int> ids);
  const std::vector<int>& Ids() const { return ids_; }
  const std::vector<HWND>& Handles() const { return handles_; }
  HWND Main() const { return handles_.front(); }
  common::ui::TControl& Widget() const { return control_; }
  void Detach();

  void Sync(const common::ui::TComponent&) override;
  // Shown exactly when the widget is visible and its page is shown.
  void ShowState();
  // A disabled control cannot take the focus.
  bool Focus() override;
  // A WM_COMMAND notification from the control with this ID.
  virtual void Command(int /*id*/, int /*code*/) {}
  // A WM_NOTIFY from the control; true when handled, with the result.
  virtual bool Notify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // Reads back a state that the control may have changed without notifying.
  virtual void Pull() {}
  // The background brush of a field, or null for the default.
  virtual HBRUSH CtlColor(HDC /*dc*/) { return nullptr; }
  // Draws an owner-drawn control; false when this peer draws nothing.
  virtual bool Draw(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // The window's DPI changed: the control's own pixel sizes follow.
  virtual void Rescale() {}

 protected:
  virtual void SyncState() {}
  // Whether the read-back reaches the form as user input.
  bool PullAsUserInput() const { return owner_.ReadBack() == TWin32Form::TReadBack::AsUserInput; }
  TWin32Form& owner_;
  common::ui::TControl& control_;
  std::vector<int> ids_;
  std::vector<HWND> handles_;
  bool syncing_ = false;
};

// The notification-area icon (peers_shell.cpp).
class TTrayIconPeer : public common::ui::IPeer {
 public:
  // The callback message of the icon.
  static constexpr UINT kCallbackMessage = WM_APP + 0x51;
  TTrayIconPeer(HWND window, HINSTANCE instance, int iconId, const std::vector<int>& pictureIds);
  ~TTrayIconPeer() override;
  TTrayIconPeer(const TTrayIconPeer&) = delete;
  TTrayIconPeer& operator=(const TTrayIconPeer&) = delete;
  void Sync(const common::ui::TComponent& component) override;
  // Removes the icon when it is shown.
  void Remove();
  // Shows the icon's right-click menu at the cursor and reports the entry chosen.
  void ShowMenu(common::ui::TTrayIcon& tray);

 private:
  void LoadIcons();
  HWND window_;
  HINSTANCE instance_;
  int iconId_;
  std::vector<int> pictureIds_;
  UniqueIcon icon_;
  std::vector<UniqueIcon> pictures_;
  bool shown_ = false;
  std::uint32_t balloonsShown_ = 0;
};

// A timer of the window (peers_shell.cpp): SetTimer while the widget is enabled.
class TTimerPeer : public common::ui::IPeer {
 public:
  TTimerPeer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
  ~TTimerPeer() override;
  TTimerPeer(const TTimerPeer&) = delete;
  TTimerPeer& operator=(const TTimerPeer&) = delete;
  void Sync(const common::ui::TComponent& component) override;
  UINT_PTR Id() const { return id_; }

 private:
  HWND window_;
  UINT_PTR id_;
  bool running_ = false;
};

}  // namespace common::win32
