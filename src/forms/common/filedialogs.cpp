#include "forms/common/filedialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPrintDialog>
#include <QPrinter>
#include <QSortFilterProxyModel>
#include <optional>

namespace {
std::optional<QString> &nextFileName()
{
    static std::optional<QString> name;
    return name;
}

// "Text Files|*.txt|All Files|*.*" -> "Text Files (*.txt);;All Files (*.*)". Several
// patterns of one entry are separated by ";" in the old form and by blanks in Qt's.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        const QString patternText = patterns.join(QLatin1Char(' '));
        if (patternText.isEmpty())
            continue;
        const QString suffix = QLatin1String(" (") + patternText + QLatin1Char(')');
        // Descriptions that already show their patterns are not given them twice.
        entries.append(description.endsWith(suffix.trimmed()) ? description : description + suffix);
    }
    return entries.join(QLatin1String(";;"));
}

QString withSuffix(const QString &name, const QString &defaultSuffix)
{
    if (name.isEmpty() || defaultSuffix.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + defaultSuffix;
}

std::optional<QString> takeNextFileName()
{
    std::optional<QString> name = std::move(nextFileName());
    nextFileName().reset();
    return name;
}

QString runDialog(QWidget *parent, const QString &title, const QString &filter,
                  QFileDialog::AcceptMode mode, const QString &defaultSuffix)
{
    QFileDialog dialog(parent, title, QString(), qtFilter(filter));
    dialog.setObjectName(QStringLiteral("CalbreyFileDialog"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

namespace FileDialogs {
QString GetOpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    if (std::optional<QString> name = takeNextFileName())
        return *name;
    return runDialog(parent, title, filter, QFileDialog::AcceptOpen, QString());
}

QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &defaultSuffix)
{
    if (std::optional<QString> name = takeNextFileName())
        return withSuffix(*name, defaultSuffix);
    return runDialog(parent, title, filter, QFileDialog::AcceptSave, defaultSuffix);
}

void SetNextFileName(const QString &name)
{
    nextFileName() = name;
}

QString QtFilter(const QString &filter)
{
    return qtFilter(filter);
}
} // namespace FileDialogs

namespace {
// No file name tells a program on this system: the list keeps the folders and the files that
// may be run.
class ProgramFilesOnly : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};
} // namespace

namespace FileDialogs {
QString GetProgramFileName(QWidget *parent, const QString &title)
{
    if (std::optional<QString> name = takeNextFileName())
        return *name;
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("CalbreyFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
#ifdef Q_OS_WIN
    dialog.setNameFilter(qtFilter(QStringLiteral("Windows Programs|*.EXE")));
#else
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new ProgramFilesOnly(&dialog));
#endif
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace FileDialogs

// --- saving as one of several types ------------------------------------------------------------

namespace {
struct SaveType
{
    QString description;
    QStringList patterns; // "*.html", "*.htm"
};

QList<SaveType> saveTypes(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<SaveType> types;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        SaveType type{parts.at(i).trimmed(), {}};
        for (const QString &pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            type.patterns.append(pattern.trimmed());
        types.append(type);
    }
    return types;
}

// "*.html" -> "html"; nothing for a pattern that is not a plain suffix.
QString patternSuffix(const QString &pattern)
{
    const QString suffix = pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : QString();
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString()
                                                                                  : suffix;
}

// The suffix a name gets when saved as that type.
QString typeSuffix(const QList<SaveType> &types, int type)
{
    return type >= 0 && type < types.size() ? patternSuffix(types.at(type).patterns.value(0))
                                            : QString();
}

std::optional<std::pair<QString, int>> &nextSaveChoice()
{
    static std::optional<std::pair<QString, int>> choice;
    return choice;
}

std::function<bool(QPrinter &)> &nextPrintAnswer()
{
    static std::function<bool(QPrinter &)> answer;
    return answer;
}
} // namespace

namespace FileDialogs {
SaveChoice ResolveSaveChoice(const QString &filter, const QString &name, int chosenType)
{
    if (name.isEmpty())
        return {};
    const QList<SaveType> types = saveTypes(filter);
    const QString suffix = QFileInfo(name).suffix();
    for (int type = 0; type < types.size(); ++type) {
        for (const QString &pattern : types.at(type).patterns) {
            if (!suffix.isEmpty() &&
                patternSuffix(pattern).compare(suffix, Qt::CaseInsensitive) == 0)
                return {name, type};
        }
    }
    const int type = chosenType >= 0 && chosenType < types.size() ? chosenType : 0;
    return {withSuffix(name, typeSuffix(types, type)), type};
}

SaveChoice GetSaveChoice(QWidget *parent, const QString &title, const QString &filter,
                         const QString &initialName)
{
    if (std::optional<std::pair<QString, int>> next = std::exchange(nextSaveChoice(), {}))
        return ResolveSaveChoice(filter, next->first, next->second);
    QFileDialog dialog(parent, title, QString(), qtFilter(filter));
    dialog.setObjectName(QStringLiteral("CalbreyFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    // The dialog adds the chosen type's suffix itself, so that it asks before replacing the
    // file that will really be written.
    const QList<SaveType> types = saveTypes(filter);
    dialog.setDefaultSuffix(typeSuffix(types, 0));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &types](const QString &selected) {
                         const int type = int(dialog.nameFilters().indexOf(selected));
                         dialog.setDefaultSuffix(typeSuffix(types, type));
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const int chosen = int(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return ResolveSaveChoice(filter, dialog.selectedFiles().constFirst(), chosen);
}

void SetNextSaveChoice(const QString &name, int type)
{
    nextSaveChoice() = std::pair(name, type);
}

bool ExecPrintDialog(QWidget *parent, QPrinter &printer)
{
    if (std::function<bool(QPrinter &)> answer = std::exchange(nextPrintAnswer(), {}))
        return answer(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("CalbreyPrintDialog"));
    return dialog.exec() == QDialog::Accepted;
}

void SetNextPrintAnswer(std::function<bool(QPrinter &)> answer)
{
    nextPrintAnswer() = std::move(answer);
}
} // namespace FileDialogs
