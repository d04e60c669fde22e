#include "vcard/vcardcommands.h"

#include "app/untcommon.h"
#include "forms/common/contactexport.h"
#include "forms/common/filedialogs.h"
#include "forms/common/waitcursor.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "import/importreport.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "vcard/frmvcardexport.h"
#include "vcard/vcarddrop.h"
#include "vcard/vcardfile.h"

#include <QDir>
#include <optional>

const QString TVCardCommands::ImportDialogTitle =
    QStringLiteral("Please choose a vCard file to import");
const QString TVCardCommands::ImportDialogFilter = QStringLiteral("vCard files|*.vcf;*.vcard");
const QString TVCardCommands::ExportDialogTitle = QStringLiteral("Export vCard File");
const QString TVCardCommands::ExportDialogFilter = QStringLiteral("vCard files|*.vcf");

namespace {
QString unreadableReport(int count)
{
    return count == 1 ? QStringLiteral("1 card could not be read because it is damaged; it was "
                                       "left out and the other cards were imported.")
                      : QString::number(count) +
                            QStringLiteral(" cards could not be read because they are damaged; "
                                           "they were left out and the other cards were imported.");
}

// Why nothing of source was imported: it holds no card, or only cards that could not be read.
QString nothingImportedReport(int unreadable, const QString &source)
{
    const QString why =
        unreadable == 0   ? QStringLiteral("There is no card that can be read in ") + source
        : unreadable == 1 ? QStringLiteral("1 card in ") + source +
                                QStringLiteral(" could not be read because it is damaged")
                          : QString::number(unreadable) + QStringLiteral(" cards in ") + source +
                                QStringLiteral(" could not be read because they are damaged");
    return why + QStringLiteral(", so nothing was imported.");
}
} // namespace

TVCardCommands::TVCardCommands(TMainWindowHost &window, TMainCommands &commands,
                               QAbstractItemView &list)
    : QObject(&window.Window()), m_window(window)
{
    commands.Bind(commands.ImportvCardFile1, [this] { ImportvCardFile1Click(); });
    commands.Bind(commands.ExportvCardFile1, [this] { ExportvCardFile1Click(); });
    new TVCardDrop(list, commands, [this](const QStringList &files) { ImportFiles(files); });
}

void TVCardCommands::ImportvCardFile1Click()
{
    if (!ActiveProfile)
        return;
    const QString fileName =
        FileDialogs::GetOpenFileName(&m_window.Window(), ImportDialogTitle, ImportDialogFilter);
    if (!fileName.isEmpty())
        ImportFiles({fileName});
}

void TVCardCommands::ImportFiles(const QStringList &fileNames)
{
    if (!ActiveProfile || fileNames.isEmpty())
        return;
    try {
        // Every file is read before anything is written, so one that cannot be read stops the
        // whole import.
        TVCardContacts cards;
        std::optional<WaitCursor> reading(std::in_place);
        for (const QString &fileName : fileNames) {
            TVCardContacts read = ReadVCardFile(fileName);
            cards.contacts.append(std::move(read.contacts));
            cards.unreadable += read.unreadable;
        }
        reading.reset();
        if (cards.contacts.isEmpty()) {
            const QString source = fileNames.size() == 1
                                       ? QDir::toNativeSeparators(fileNames.first())
                                       : QStringLiteral("the dropped files");
            ShowMessageBox(nothingImportedReport(cards.unreadable, source),
                           QStringLiteral("Nothing to import"), MessageBoxFlag::Information);
            return;
        }
        const TImportResult result = ImportWithReport(
            &m_window.Window(), cards.contacts.size(),
            [&cards](qsizetype i) { return cards.contacts.at(i); }, QStringLiteral("card"));
        if (!result.cancelled && cards.unreadable > 0)
            ShowMessageBox(unreadableReport(cards.unreadable), QStringLiteral("Cards not read"),
                           MessageBoxFlag::Information);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    m_window.ReloadContactList(true);
}

void TVCardCommands::ExportvCardFile1Click()
{
    if (!ActiveProfile)
        return;
    TVCardExport dialog(&m_window.Window(), m_window.SelectedContact());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TVCardVersion version = dialog.Version();
    RunContactExport(m_window, dialog.SelectedOnly(), ExportDialogTitle, ExportDialogFilter,
                     QStringLiteral("vcf"),
                     [version](const QStringList &names, const QString &fileName) {
                         ExportVCardFile(*ActiveProfile, names, version, fileName);
                     });
}
