#include "reports/frmsummaryreport.h"

#include "app/untcommon.h"
#include "app/untexecute.h"
#include "forms/common/filedialogs.h"
#include "forms/main/artwork.h"
#include "forms/main/programfont.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "reports/untreportgen.h"
#include "ui_frmsummaryreport.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

namespace {
constexpr int ToolButtonWidth = 91;

// The address a mailto: link was made of, every escape undone: what follows the scheme, a
// "?" or "#" in it included.
QString mailAddress(const QUrl &link)
{
    QString address = link.path(QUrl::FullyDecoded);
    if (link.hasQuery())
        address += u'?' + link.query(QUrl::FullyDecoded);
    if (link.hasFragment())
        address += u'#' + link.fragment(QUrl::FullyDecoded);
    return address;
}
} // namespace

TSummaryReport::TSummaryReport(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TSummaryReport>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    const std::pair<QToolButton *, const char *> buttons[] = {
        {ui->ToolButton3, "rv_save.svg"},
        {ui->ToolButton1, "rv_print.svg"},
        {ui->ToolButton2, "rv_close.svg"},
    };
    for (const auto &[button, picture] : buttons) {
        button->setIcon(ArtworkPixmap(QLatin1String(picture), Artwork::MenuSize));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFixedWidth(ToolButtonWidth);
    }
    connect(ui->ToolButton3, &QToolButton::clicked, this, &TSummaryReport::ToolButton3Click);
    connect(ui->ToolButton1, &QToolButton::clicked, this, &TSummaryReport::ToolButton1Click);
    connect(ui->ToolButton2, &QToolButton::clicked, this, &TSummaryReport::ToolButton2Click);
    connect(ui->wbDisplay, &TReportView::linkActivated, this,
            &TSummaryReport::wbDisplayLinkActivated);
    connect(ui->wbDisplay, &TReportView::completed, this, [this] { showReading(false); });
}

TSummaryReport::~TSummaryReport() = default;

void TSummaryReport::ShowReport(const QString &caption)
{
    setWindowTitle(caption);
    ui->wbDisplay->ShowFile(GetProgramPath(ppReportHtml));
    showReading(!ui->wbDisplay->IsComplete());
}

void TSummaryReport::showReading(bool reading)
{
    ui->lbLayingOut->setVisible(reading);
    ui->pbLayingOut->setVisible(reading);
    ui->ToolButton3->setEnabled(!reading);
    ui->ToolButton1->setEnabled(!reading);
}

void TSummaryReport::ToolButton3Click()
{
    const FileDialogs::SaveChoice choice = FileDialogs::GetSaveChoice(
        this, QStringLiteral("Save report"),
        QStringLiteral("Web page|*.html;*.htm|PDF document|*.pdf"), QStringLiteral("report.html"));
    if (choice.fileName.isEmpty())
        return;
    if (choice.type == PdfType)
        saveAsPdf(choice.fileName);
    else
        SaveReportCopy(choice.fileName);
}

void TSummaryReport::saveAsPdf(const QString &fileName)
{
    // The PDF is made in memory and then replaces the file in one step, so a failed save
    // leaves an earlier file of that name as it was.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        // At the screen's resolution the page's indents, given in pixels, keep their size;
        // the text stays vector type all the same.
        writer.setResolution(ui->wbDisplay->logicalDpiY());
        writer.setTitle(windowTitle());
        writer.setCreator(QLatin1String(ApplicationTitle));
        ui->wbDisplay->document()->print(&writer);
    }
    try {
        WriteFileAtomically(fileName, pdf.data());
    } catch (const CalbreyError &) {
        ShowCannotSaveReport(fileName);
    }
}

void TSummaryReport::ToolButton1Click()
{
    // As for a PDF: the page's pixel indents keep their size at the screen's resolution.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setDocName(windowTitle());
    if (!FileDialogs::ExecPrintDialog(this, printer))
        return;
    ui->wbDisplay->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        ShowMessageBox(QStringLiteral("Quenlark Calbrey could not print the report.  Please check "
                                      "the printer and try again!"),
                       QStringLiteral("Cannot print report."), MessageBoxFlag::Error);
}

void TSummaryReport::ToolButton2Click()
{
    reject();
}

void TSummaryReport::wbDisplayLinkActivated(const QUrl &link)
{
    if (link.isEmpty())
        return;
    // The mail client gets the address as stored; a browser an address it can parse.
    if (link.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
        SendEmail(mailAddress(link));
    else
        OpenWebPage(link.toString(QUrl::FullyEncoded));
}
