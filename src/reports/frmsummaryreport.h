#pragma once

#include <QDialog>
#include <memory>

class QUrl;
namespace Ui {
class TSummaryReport;
}

/// The report viewer: shows the program folder's report page and saves it as a web page or a
/// PDF, or prints it. Its caller has just written the page; the viewer never changes it.
class TSummaryReport : public QDialog
{
    Q_OBJECT

public:
    /// The save dialog's types, in its order.
    enum SaveType
    {
        WebPageType = 0,
        PdfType = 1,
    };

    explicit TSummaryReport(QWidget *parent = nullptr);
    ~TSummaryReport() override;

    /// Sets the caption and shows the report file.
    void ShowReport(const QString &caption);

    /// "&Save report": the page as a web page (with its separator picture beside it) or a PDF.
    void ToolButton3Click();
    /// "&Print": the print dialog, then the page on the chosen printer.
    void ToolButton1Click();
    /// "&Close".
    void ToolButton2Click();
    /// A link of the page: mail addresses to the mail client, anything else to the browser.
    void wbDisplayLinkActivated(const QUrl &link);

private:
    void saveAsPdf(const QString &fileName);
    /// While the viewer reads the rest of a long page: a busy bar, and no saving or printing
    /// of a page that is not whole yet.
    void showReading(bool reading);

    std::unique_ptr<Ui::TSummaryReport> ui;
};
