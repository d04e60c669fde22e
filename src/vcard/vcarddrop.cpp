#include "vcard/vcarddrop.h"

#include "forms/main/maincommands.h"

#include <QAbstractItemView>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <utility>

TVCardDrop::TVCardDrop(QAbstractItemView &list, TMainCommands &commands,
                       std::function<void(const QStringList &)> import)
    : QObject(&list), m_import(std::move(import))
{
    m_importPending = commands.Gated([this] {
        const QStringList files = std::exchange(m_pending, {});
        m_import(files);
    });
    list.viewport()->setAcceptDrops(true);
    list.viewport()->installEventFilter(this);
}

QStringList TVCardDrop::VCardFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    QStringList files;
    for (const QUrl &url : data->urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (!path.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive) &&
            !path.endsWith(QLatin1String(".vcard"), Qt::CaseInsensitive))
            return {};
        files.append(path);
    }
    return files;
}

bool TVCardDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);

    // DragEnter and DragMove are drop events too.
    auto *drag = static_cast<QDropEvent *>(event);
    const QStringList files = VCardFiles(drag->mimeData());
    // Copy only: a file manager told of a move would delete the file.
    if (files.isEmpty() || !(drag->possibleActions() & Qt::CopyAction)) {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        m_pending = files;
        QMetaObject::invokeMethod(this, m_importPending, Qt::QueuedConnection);
    }
    return true;
}
