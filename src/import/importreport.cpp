#include "import/importreport.h"

#include "app/untcommon.h"
#include "import/frmimportexists.h"
#include "import/importprogress.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"

#include <QStringList>

namespace {
// The numbers the report names; the others are counted.
constexpr qsizetype kNumbersNamed = 5;
} // namespace

QString UnstorableReport(const QList<qsizetype> &unstorable, const QString &noun)
{
    const qsizetype count = unstorable.size();
    QStringList numbers;
    for (qsizetype i = 0; i < count && i < kNumbersNamed; ++i)
        numbers.append(QString::number(unstorable[i] + 1));
    QString list = numbers.join(QStringLiteral(", "));
    if (count > kNumbersNamed)
        list += QStringLiteral(" and ") + QString::number(count - kNumbersNamed) +
                QStringLiteral(" more");
    else if (count > 1)
        list.replace(list.lastIndexOf(QLatin1Char(',')), 1, QStringLiteral(" and"));
    const bool one = count == 1;
    const QString nouns = noun + QLatin1Char('s');
    return (one ? QStringLiteral("1 ") + noun +
                      QStringLiteral(" was not imported because its name contains")
                : QString::number(count) + QLatin1Char(' ') + nouns +
                      QStringLiteral(" were not imported because their names contain")) +
           QStringLiteral(" \"]\", which a contact name cannot hold: ") + (one ? noun : nouns) +
           QLatin1Char(' ') + list +
           QStringLiteral(". Correct the names in the file and import it again.");
}

TImportResult ImportWithReport(QWidget *parent, qsizetype count,
                               const std::function<TImportedContact(qsizetype)> &contactAt,
                               const QString &noun)
{
    TContactExistsQuestion question(parent);
    TImportProgressDialog progress(parent);
    TContactImport import(*ActiveProfile, question, &progress);
    TImportResult result = import.Run(count, contactAt);
    progress.Finish();
    if (result.cancelled)
        return result;

    ShowMessageBox(QStringLiteral("Quenlark Calbrey added ") + QString::number(result.added) +
                       QStringLiteral(" contacts to your address book."),
                   QStringLiteral("Import complete"), MessageBoxFlag::Information);
    if (!result.unstorable.isEmpty()) {
        QString caption = noun + QStringLiteral("s not imported");
        caption[0] = caption[0].toUpper();
        ShowMessageBox(UnstorableReport(result.unstorable, noun), caption,
                       MessageBoxFlag::Information);
    }
    return result;
}
