#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

/// The program's own pictures, drawn as SVG under ":/artwork/" and rendered at the size asked.
///
/// Two numbered lists: the toolbar list (24 by 24): 0 new contact, 1 modify contact, 2 delete
/// contact, 3 search bar, 4 create report; and the menu list (16 by 16): the same 0 to 4, then
/// 5 the notification-area icon and 6 help topics.
namespace Artwork {
constexpr int ToolbarSize = 24;
constexpr int MenuSize = 16;
constexpr int ToolbarCount = 5;
constexpr int MenuCount = 7;
// The pictures by name.
constexpr int NewContactPicture = 0;
constexpr int ModifyContactPicture = 1;
constexpr int DeleteContactPicture = 2;
constexpr int SearchBarPicture = 3;
constexpr int CreateReportPicture = 4;
constexpr int TrayIconPicture = 5;
constexpr int HelpTopicsPicture = 6;
} // namespace Artwork

/// ":/artwork/" + file rendered into a size by size picture (sharp on high-density screens);
/// a null picture when the file is missing.
QPixmap ArtworkPixmap(const QString &file, int size);
/// Picture index of the toolbar list; null outside it.
QPixmap ToolbarPicture(int index);
/// Picture index of the menu list; null outside it.
QPixmap MenuPicture(int index);
/// An action's icon: the menu picture at 16, and the toolbar picture at 24 where there is one.
QIcon ActionIcon(int index);
/// Picture index of the menu list drawn afresh at each size a panel may ask for (16 to 48), so
/// it stays sharp in a notification area whose icons are larger than a menu's.
QIcon MenuListIcon(int index);
