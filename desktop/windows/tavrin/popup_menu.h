#ifndef DESKTOP_WINDOWS_TAVRIN_POPUP_MENU_H_
#define DESKTOP_WINDOWS_TAVRIN_POPUP_MENU_H_

#include <windows.h>

#include <list>
#include <string>

// A popup menu that lives as long as this object. Items appear in the order
// they are added.
class PopupMenu {
 public:
  PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  ~PopupMenu();

  // Appends an item with the menu-item |state| (MFS_*); true when inserted.
  bool AddItem(UINT id, UINT state, const std::wstring& text);

  // Shows the menu at |x|, |y| (screen coordinates) with TrackPopupMenuEx
  // and returns when it closes; a chosen item is sent to |owner| as
  // WM_COMMAND. True on success.
  bool Show(UINT flags, int x, int y, HWND owner);

 private:
  HMENU menu_;
  // The menu points at these texts; a list keeps each one where it is.
  std::list<std::wstring> texts_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_POPUP_MENU_H_
