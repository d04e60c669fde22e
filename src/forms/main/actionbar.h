#pragma once

#include <QFrame>

class QLabel;

/// The bar along the bottom of the main window: the application's icon at the left, the
/// quick actions on the selected contact packed against the right edge.
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

private:
    QLabel *m_icon;
};
