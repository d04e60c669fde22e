#include "forms/common/filedialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
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
