#pragma once

#include <QObject>
#include <functional>

class QAbstractItemView;

/// Runs a handler on a double click of the left button anywhere in a list, below its last row
/// too (where the view itself reports nothing), so the handler acts on the row already
/// selected. Lives as long as the view.
class TListDoubleClick : public QObject
{
    Q_OBJECT

public:
    TListDoubleClick(QAbstractItemView &view, std::function<void()> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_handler;
};
