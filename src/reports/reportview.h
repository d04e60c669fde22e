#pragma once

#include <QTextBrowser>

/// The page of a report file: rendered from the file, its relative pictures from the file's
/// folder, nothing fetched from the network, no script, and a clicked link handed to the
/// window (linkActivated) instead of being followed inside the view.
class TReportView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit TReportView(QWidget *parent = nullptr);

    /// Shows the page of the file, read in the encoding its byte-order mark or its own charset
    /// names (UTF-8 without either).
    void ShowFile(const QString &path);

    QVariant loadResource(int type, const QUrl &name) override;

signals:
    /// The link as the page gives it, not resolved against the file's folder.
    void linkActivated(const QUrl &link);

private:
    QString m_folder;
};
