#pragma once

#include <QFrame>

class QLabel;
class TActionImage;
class TQuenlarkURL;

/// The bar along the bottom of the main window: the application's icon at the left, the
/// quick actions on the selected contact packed against the right edge. The quick actions
/// are three borderless panels, hidden until a contact offers them; the visible ones stand
/// from left to right as pnlOther, pnlWebSite, pnlEmail, so "Send mail now" is always at the
/// far right. What their clicks do is up to TQuickActions.
class TActionBar : public QFrame
{
    Q_OBJECT

public:
    static constexpr int BarHeight = 32;
    static constexpr int IconSize = 32;

    explicit TActionBar(QWidget *parent = nullptr);

    /// Shows the icon in abIcon at 32 by 32.
    void SetIcon(const QIcon &icon);
    QLabel *abIcon() const { return m_icon; }

    /// Shows each panel exactly when its flag is set.
    void ShowQuickActions(bool email, bool webSite, bool other);
    void HideQuickActions() { ShowQuickActions(false, false, false); }
    /// Puts a feature's status (a sync's progress) beside the icon; the bar does not own
    /// what it shows.
    void AddStatus(QWidget *status);

    QWidget *pnlEmail() const { return m_pnlEmail; }
    QWidget *pnlWebSite() const { return m_pnlWebSite; }
    QWidget *pnlOther() const { return m_pnlOther; }
    TActionImage *abiSendMail() const { return m_abiSendMail; }
    TQuenlarkURL *QuenlarkURL1() const { return m_QuenlarkURL1; }
    TActionImage *abiWebSite() const { return m_abiWebSite; }
    TQuenlarkURL *ablWebSite() const { return m_ablWebSite; }
    TActionImage *abiOther() const { return m_abiOther; }

private:
    QLabel *m_icon;
    QWidget *m_pnlOther;
    QWidget *m_pnlWebSite;
    QWidget *m_pnlEmail;
    TActionImage *m_abiOther;
    TActionImage *m_abiWebSite;
    TQuenlarkURL *m_ablWebSite;
    TActionImage *m_abiSendMail;
    TQuenlarkURL *m_QuenlarkURL1;
};
