#include "desktop/windows/tavrin/popup_menu.h"

PopupMenu::PopupMenu() : menu_(::CreatePopupMenu()) {}

PopupMenu::~PopupMenu() {
  if (menu_)
    ::DestroyMenu(menu_);
}

bool PopupMenu::AddItem(UINT id, UINT state, const std::wstring& text) {
  texts_.push_back(text);
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING;
  item.wID = id;
  item.fState = state;
  item.dwTypeData = texts_.back().data();
  UINT position = static_cast<UINT>(texts_.size() - 1);
  return ::InsertMenuItemW(menu_, position, TRUE, &item) == TRUE;
}

bool PopupMenu::Show(UINT flags, int x, int y, HWND owner) {
  // A menu whose owner is not in the foreground stays open when the user
  // clicks elsewhere, and the message posted afterwards lets the next click
  // after it reach its target: the known remedy for menus of tray icons.
  ::SetForegroundWindow(owner);
  bool shown = ::TrackPopupMenuEx(menu_, flags, x, y, owner, nullptr) == TRUE;
  ::PostMessageW(owner, WM_NULL, 0, 0);
  return shown;
}
