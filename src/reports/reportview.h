#pragma once

#include <QTextBrowser>
#include <memory>

class TBackgroundDocument;

/// The page of a report file: rendered from the file, its relative pictures from the file's
/// folder, nothing fetched from the network, no script, and a clicked link handed to the
/// window (linkActivated) instead of being followed inside the view. A long page shows its first
/// contacts at once and the whole page when a worker thread has read it (completed()).
class TReportView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit TReportView(QWidget *parent = nullptr);
    ~TReportView() override;

    /// Shows the page of the file, read in the encoding its byte-order mark or its own charset
    /// names (UTF-8 without either).
    void ShowFile(const QString &path);
    /// False while only the first contacts of a long page are in the view.
    bool IsComplete() const { return !m_rest; }

    QVariant loadResource(int type, const QUrl &name) override;

signals:
    /// The link as the page gives it, not resolved against the file's folder.
    void linkActivated(const QUrl &link);
    /// The whole page is in the view now.
    void completed();

private:
    void showWholePage(QTextDocument *whole);

    QString m_folder;
    std::unique_ptr<TBackgroundDocument> m_rest;
};
