#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

/// The program's icon in the desktop's notification area: its picture, its tooltip (Hint), its
/// menu (PopupMenu, opened when the right button is released over the icon) and the button
/// presses over it (MouseDown).
class TTrayIcon : public QObject
{
    Q_OBJECT

public:
    /// Hints of this many characters or more are refused.
    static constexpr int HintLimit = 64;

    /// trayAvailable tells whether the desktop has a notification area now.
    TTrayIcon(std::function<bool()> trayAvailable, QObject *parent);

    /// The icon is wanted in the notification area.
    bool Visible() const { return m_visible; }
    /// Puts the icon into the notification area or takes it out. Visible keeps the wanted
    /// value even when that fails, and an icon that waits for a notification area appears in
    /// it once the desktop has one. Throws CalbreyError "Cannot Create System Shell
    /// Notification Icon" when the icon is wanted where the desktop has no notification area.
    void SetVisible(bool visible);
    /// Wanted and in a notification area that exists: the user can see the icon and use it.
    bool Shown() const;

    QString Hint() const { return m_hint; }
    /// The tooltip; an empty hint gives none. A hint of HintLimit characters or more is
    /// refused (false) and the old one kept.
    bool SetHint(const QString &hint);
    void SetPicture(const QIcon &picture);
    /// The menu of a right click, also offered to the desktop (over D-Bus where the
    /// notification area asks for it); not owned.
    void SetPopupMenu(QMenu *menu);
    /// A balloon message from the icon, when the user can see it (Shown); false otherwise.
    bool ShowBalloon(const QString &title, const QString &text);

signals:
    /// OnMouseDown: a mouse button went down over the icon.
    void MouseDown(Qt::MouseButton button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void popUpMenu();

    QSystemTrayIcon *m_icon;
    std::function<bool()> m_trayAvailable;
    QPointer<QMenu> m_popupMenu;
    QString m_hint;
    bool m_visible = false;
};
