#include "reports/reportview.h"

#include "app/untcommon.h"
#include "reports/backgrounddocument.h"
#include "reports/reportpage.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>

namespace {
const QString SeparatorPicture = QStringLiteral("quenlark_line.jpg");
} // namespace

TReportView::TReportView(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    // The page is shown without a source address, so a link reaches us as written, not
    // turned into a file of the report's folder.
    connect(this, &QTextBrowser::anchorClicked, this, &TReportView::linkActivated);
}

TReportView::~TReportView() = default;

void TReportView::ShowFile(const QString &path)
{
    QFile file(path);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
    const QString page = decoder.isValid() ? decoder.decode(data) : QString::fromUtf8(data);
    m_folder = QFileInfo(path).absolutePath();
    document()->setBaseUrl(QUrl::fromLocalFile(m_folder + QLatin1Char('/')));
    m_rest.reset();
    const QString whole = BrowserLayout(page);
    const QString first = ReportFirstPage(whole);
    if (first.isEmpty()) {
        setHtml(whole);
        return;
    }
    // Qt reads a long page for seconds: the first contacts now, the whole page from a worker.
    setHtml(first);
    m_rest = std::make_unique<TBackgroundDocument>(*document(), whole);
    connect(m_rest.get(), &TBackgroundDocument::ready, this, &TReportView::showWholePage);
}

void TReportView::showWholePage(QTextDocument *whole)
{
    // The first page is the start of the whole one: the reader stays where they were.
    const int top = cursorForPosition(QPoint(0, 0)).position();
    // The view's own first document goes with setDocument(); one of ours we delete.
    QTextDocument *first = document();
    const bool ours = first->parent() == this;
    whole->setParent(this);
    setDocument(whole);
    if (ours)
        delete first;
    QTextCursor at(whole);
    at.setPosition(qBound(0, top, whole->characterCount() - 1));
    const int y = int(whole->documentLayout()->blockBoundingRect(at.block()).top());
    // The scroll bar learns the new page's height as Qt lays it out: go there once it can.
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(y);
    if (bar->value() != y) {
        auto waiting = std::make_shared<QMetaObject::Connection>();
        *waiting = connect(bar, &QScrollBar::rangeChanged, this, [bar, y, waiting](int, int max) {
            if (max < y)
                return;
            bar->setValue(y);
            QObject::disconnect(*waiting);
        });
    }
    m_rest.release()->deleteLater(); // it is sending this signal
    emit completed();
}

QVariant TReportView::loadResource(int type, const QUrl &name)
{
    Q_UNUSED(type);
    // Only files: a report refers to nothing else, and the view must never go on the network.
    if (!name.isLocalFile() && !name.isRelative())
        return QVariant();
    QString path = name.isLocalFile() ? name.toLocalFile() : QDir(m_folder).filePath(name.path());
    // The separator is installed with the program; a report kept elsewhere still shows it.
    if (!QFileInfo::exists(path) && QFileInfo(path).fileName() == SeparatorPicture)
        path = GetProgramPath(ppProgramFolder) + SeparatorPicture;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QVariant();
    return file.readAll();
}
