#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class QMimeData;
struct TMainCommands;

/// vCard files dragged from a file manager onto the contact list: a drag is taken only when
/// every item it carries is a local file named *.vcf or *.vcard, and a drop hands the files to
/// import once the drop itself is over (so the file manager is not kept waiting by the
/// questions of the import), through the window's command gate.
class TVCardDrop : public QObject
{
    Q_OBJECT

public:
    TVCardDrop(QAbstractItemView &list, TMainCommands &commands,
               std::function<void(const QStringList &)> import);

    /// The local vCard files of a drag; empty when it carries anything else.
    static QStringList VCardFiles(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(const QStringList &)> m_import;
    std::function<void()> m_importPending;
    QStringList m_pending;
};
