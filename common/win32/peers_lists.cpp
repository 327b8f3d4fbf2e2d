// Drop-down lists, report-view grids and tab controls.
#include "common/win32/win32_peer.h"

#include "common/win32/text_win32.h"

namespace common::win32 {

namespace ui = common::ui;

namespace {

// A pick-only drop-down list. Entries are only appended between two clears:
// new ones are added, and the list starts again when it is another one. The
// owner-drawn form draws each entry centred.
class TComboBoxPeer : public TWin32Peer {
 public:
  TComboBoxPeer(TWin32Form& owner, ui::TItemList& list, int id, bool centred)
      : TWin32Peer(owner, list, {id}), list_(list), centred_(centred) {}
  void Command(int, int code) override {
    if (code != CBN_SELCHANGE || syncing_) return;
    const int index = static_cast<int>(SendMessageW(Main(), CB_GETCURSEL, 0, 0));
    if (index >= 0 && index != list_.ItemIndex()) list_.UserSelect(index);
  }
  void Pull() override {
    if (syncing_) return;
    const int index = static_cast<int>(SendMessageW(Main(), CB_GETCURSEL, 0, 0));
    if (index == list_.ItemIndex()) return;
    if (PullAsUserInput()) {
      if (index >= 0) list_.UserSelect(index);
    } else {
      list_.SetItemIndex(index);
    }
  }
  bool Draw(const DRAWITEMSTRUCT& item) override {
    if (!centred_) return false;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const int background = disabled ? COLOR_BTNFACE : (selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const int foreground =
        disabled ? COLOR_GRAYTEXT : (selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(background));
    if (item.itemID != static_cast<UINT>(-1)) {
      const LRESULT length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
      if (length > 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID,
                                            reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        const COLORREF oldText = SetTextColor(item.hDC, GetSysColor(foreground));
        const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
        RECT bounds = item.rcItem;
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &bounds,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SetBkMode(item.hDC, oldMode);
        SetTextColor(item.hDC, oldText);
      }
    }
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
      RECT focus = item.rcItem;
      DrawFocusRect(item.hDC, &focus);
    }
    return true;
  }

 protected:
  void SyncState() override {
    const std::vector<std::string>& items = list_.Items();
    bool prefix = shown_.size() <= items.size();
    for (std::size_t i = 0; prefix && i < shown_.size(); ++i) prefix = shown_[i] == items[i];
    if (!prefix) {
      SendMessageW(Main(), CB_RESETCONTENT, 0, 0);
      shown_.clear();
    }
    for (std::size_t i = shown_.size(); i < items.size(); ++i) {
      const std::wstring entry = AnsiToWide(items[i]);
      SendMessageW(Main(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
      shown_.push_back(items[i]);
    }
    if (SendMessageW(Main(), CB_GETCURSEL, 0, 0) != list_.ItemIndex())
      SendMessageW(Main(), CB_SETCURSEL, static_cast<WPARAM>(list_.ItemIndex()), 0);
  }

 private:
  ui::TItemList& list_;
  bool centred_;
  std::vector<std::string> shown_;
};

class TListGridPeer : public TWin32Peer {
 public:
  TListGridPeer(TWin32Form& owner, ui::TListGridBase& grid, int id,
                const std::vector<TWin32Form::Column>& columns, int rowHeight)
      : TWin32Peer(owner, grid, {id}), grid_(grid), columns_(columns), rowHeight_(rowHeight) {
    SendMessageW(Main(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::wstring header = AnsiToWide(columns[i].header);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = header.data();
      column.cx = owner.Scale(columns[i].width);
      column.iSubItem = static_cast<int>(i);
      SendMessageW(Main(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SetRowHeight();
  }
  void Rescale() override {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      SendMessageW(Main(), LVM_SETCOLUMNWIDTH, i, owner_.Scale(columns_[i].width));
    SetRowHeight();
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    switch (header->code) {
      case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if (!syncing_ && (change->uChanged & LVIF_STATE) != 0 &&
            ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0) {
          Pull();
        }
        result = 0;
        return true;
      }
      case LVN_KEYDOWN:
        grid_.UserKeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        result = 0;
        return true;
      case NM_DBLCLK:
        Pull();
        grid_.UserDblClick();
        result = 0;
        return true;
      default:
        return false;
    }
  }
  void Pull() override {
    if (syncing_) return;
    const int row = static_cast<int>(
        SendMessageW(Main(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row != grid_.Selected()) grid_.UserSelect(row);
  }

 protected:
  void SyncState() override {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < grid_.RowCount(); ++r) rows.push_back(grid_.Cells(r));
    if (rows != shownRows_) {
      SendMessageW(Main(), LVM_DELETEALLITEMS, 0, 0);
      for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns_.size(); ++c) {
          std::wstring text = AnsiToWide(c < rows[r].size() ? rows[r][c] : std::string());
          LVITEMW item{};
          item.mask = LVIF_TEXT;
          item.iItem = static_cast<int>(r);
          item.iSubItem = static_cast<int>(c);
          item.pszText = text.data();
          SendMessageW(Main(), c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                       reinterpret_cast<LPARAM>(&item));
        }
      }
      shownRows_ = std::move(rows);
    }
    const int selected = grid_.Selected();
    const int shown = static_cast<int>(
        SendMessageW(Main(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (shown != selected) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      state.state = 0;
      SendMessageW(Main(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&state));
      if (selected >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(Main(), LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&state));
        SendMessageW(Main(), LVM_ENSUREVISIBLE, selected, FALSE);
      }
    }
  }

 private:
  // The row height follows the height of the small image list. The list
  // window shares it (LVS_SHAREIMAGELISTS), so this peer releases it.
  void SetRowHeight() {
    if (rowHeight_ <= 0) return;
    UniqueImageList images(ImageList_Create(1, owner_.Scale(rowHeight_), ILC_COLOR, 1, 0));
    if (!images) return;
    SendMessageW(Main(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.get()));
    rowImages_ = std::move(images);
  }

  ui::TListGridBase& grid_;
  std::vector<TWin32Form::Column> columns_;
  int rowHeight_;
  std::vector<std::vector<std::string>> shownRows_;
  UniqueImageList rowImages_;
};

class TPageControlPeer : public TWin32Peer {
 public:
  TPageControlPeer(TWin32Form& owner, ui::TPageControl& pages, int id)
      : TWin32Peer(owner, pages, {id}), pages_(pages) {
    for (int page = 0; page < static_cast<int>(pages.Captions().size()); ++page) {
      if (!pages.TabVisible(page)) continue;
      std::wstring caption = AnsiToWide(pages.Captions()[page]);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(Main(), TCM_INSERTITEMW, tabPages_.size(), reinterpret_cast<LPARAM>(&item));
      tabPages_.push_back(page);
    }
  }
  bool Notify(NMHDR* header, LRESULT& result) override {
    if (header->code != TCN_SELCHANGE) return false;
    Pull();
    result = 0;
    return true;
  }
  void Pull() override {
    const int tab = static_cast<int>(SendMessageW(Main(), TCM_GETCURSEL, 0, 0));
    if (tab < 0 || tab >= static_cast<int>(tabPages_.size())) return;
    if (tabPages_[tab] != pages_.ActivePageIndex()) pages_.UserSelectPage(tabPages_[tab]);
    owner_.ShowPage(pages_.ActivePageIndex());
  }

 protected:
  void SyncState() override {
    for (std::size_t tab = 0; tab < tabPages_.size(); ++tab) {
      if (tabPages_[tab] == pages_.ActivePageIndex()) {
        SendMessageW(Main(), TCM_SETCURSEL, tab, 0);
      }
    }
    owner_.ShowPage(pages_.ActivePageIndex());
  }

 private:
  ui::TPageControl& pages_;
  std::vector<int> tabPages_;  // the page of each tab
};

}  // namespace

void TWin32Form::BindComboBox(ui::TItemList& list, int id) {
  Attach(list, std::make_unique<TComboBoxPeer>(*this, list, id, false));
}

void TWin32Form::BindCenteredComboBox(ui::TItemList& list, int id) {
  Attach(list, std::make_unique<TComboBoxPeer>(*this, list, id, true));
}

void TWin32Form::BindListGrid(ui::TListGridBase& grid, int id, std::vector<Column> columns,
                              int rowHeight) {
  Attach(grid, std::make_unique<TListGridPeer>(*this, grid, id, columns, rowHeight));
}

void TWin32Form::BindPageControl(ui::TPageControl& pages, int tabId,
                                 std::function<int(int controlId)> pageOf) {
  pageOf_ = std::move(pageOf);
  // The tab control lies under the pages' controls and does not paint over them.
  SendToBack(tabId);
  Attach(pages, std::make_unique<TPageControlPeer>(*this, pages, tabId));
}

// ---------------------------------------------------------------------------
// The pages of a tab control.

bool TWin32Form::OnShownPage(int id) const {
  if (!pageOf_) return true;
  const int page = pageOf_(id);
  return page < 0 || page == activePage_;
}

void TWin32Form::ShowPage(int page) {
  if (page == activePage_ || !pageOf_) {
    activePage_ = page;
    return;
  }
  activePage_ = page;
  // Every child of a page: bound controls follow their widget's visibility too.
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int childPage = pageOf_(GetDlgCtrlID(child));
    if (childPage < 0) continue;
    auto bound = byHandle_.find(child);
    if (bound != byHandle_.end()) {
      bound->second->ShowState();
    } else {
      ShowWindow(child, childPage == page ? SW_SHOWNA : SW_HIDE);
    }
  }
  // Keep the focus on a shown control.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus) && !HasVisibleStyle(focus)) {
    SetFocus(GetNextDlgTabItem(hwnd_, nullptr, FALSE));
  }
}

}  // namespace common::win32
