#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QTextDocument;

/// Reads a long HTML page into a document on a worker thread, so the window stays responsive
/// while Qt's rich text parses it. The document is made with the settings of a model document
/// (font, style sheet, base address, margins), handed over on the caller's thread by ready(),
/// and then belongs to the receiver. A builder destroyed before it is done drops the document
/// without waiting for the worker.
class TBackgroundDocument : public QObject
{
    Q_OBJECT

public:
    TBackgroundDocument(const QTextDocument &model, const QString &html, QObject *parent = nullptr);
    ~TBackgroundDocument() override;

signals:
    void ready(QTextDocument *document);

private:
    struct Job;
    void deliver();

    std::shared_ptr<Job> m_job;
};
