#include "reports/backgrounddocument.h"

#include <QMutex>
#include <QTextDocument>
#include <QTextOption>
#include <QThread>
#include <QThreadPool>

// What the worker and the builder share: the worker hands the document over under the lock,
// and only while the builder still wants it.
struct TBackgroundDocument::Job
{
    QMutex mutex;
    bool abandoned = false;
    QTextDocument *document = nullptr;
};

namespace {
struct DocumentSettings
{
    QFont font;
    QString styleSheet;
    QUrl baseUrl;
    qreal margin;
    qreal indentWidth;
    QTextOption textOption;
    bool designMetrics;

    explicit DocumentSettings(const QTextDocument &model)
        : font(model.defaultFont()), styleSheet(model.defaultStyleSheet()),
          baseUrl(model.baseUrl()), margin(model.documentMargin()),
          indentWidth(model.indentWidth()), textOption(model.defaultTextOption()),
          designMetrics(model.useDesignMetrics())
    {}

    void applyTo(QTextDocument &document) const
    {
        document.setDefaultFont(font);
        document.setDefaultStyleSheet(styleSheet);
        document.setBaseUrl(baseUrl);
        document.setDocumentMargin(margin);
        document.setIndentWidth(indentWidth);
        document.setDefaultTextOption(textOption);
        document.setUseDesignMetrics(designMetrics);
    }
};
} // namespace

TBackgroundDocument::TBackgroundDocument(const QTextDocument &model, const QString &html,
                                         QObject *parent)
    : QObject(parent), m_job(std::make_shared<Job>())
{
    QThreadPool::globalInstance()->start([job = m_job, settings = DocumentSettings(model), html,
                                          receiver = this, home = thread()] {
        auto document = std::make_unique<QTextDocument>();
        settings.applyTo(*document);
        document->setHtml(html);
        const QMutexLocker lock(&job->mutex);
        if (job->abandoned)
            return; // nobody wants it: it goes here, on the thread it lives on
        document->moveToThread(home);
        job->document = document.release();
        // The builder lives until it has seen abandoned set under this lock; an event
        // posted to it goes with it.
        QMetaObject::invokeMethod(receiver, &TBackgroundDocument::deliver, Qt::QueuedConnection);
    });
}

TBackgroundDocument::~TBackgroundDocument()
{
    const QMutexLocker lock(&m_job->mutex);
    m_job->abandoned = true;
    delete m_job->document; // handed over but not delivered: it lives on this thread now
    m_job->document = nullptr;
}

void TBackgroundDocument::deliver()
{
    QTextDocument *document = nullptr;
    {
        const QMutexLocker lock(&m_job->mutex);
        std::swap(document, m_job->document);
    }
    if (document)
        emit ready(document);
}
