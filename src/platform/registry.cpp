#include "platform/registry.h"

#include "platform/calbreyerror.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <QSettings>
#else
#include "platform/atomicfile.h"
#include "platform/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <optional>
#endif

namespace {
const QLatin1String TraySwitch(" -tray");
} // namespace

#ifdef Q_OS_WIN

namespace {
const QLatin1String RunKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QLatin1String RunValue("Quenlark Calbrey");
} // namespace

QString StartWithLoginCommand(const QString &executablePath)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(executablePath) + QLatin1Char('"') +
           TraySwitch;
}

bool StartWithLoginExists()
{
    return QSettings(RunKey, QSettings::NativeFormat).contains(RunValue);
}

void SetStartWithLogin(bool on, const QString &executablePath)
{
    QSettings key(RunKey, QSettings::NativeFormat);
    if (on)
        key.setValue(RunValue, StartWithLoginCommand(executablePath));
    else if (key.contains(RunValue))
        key.remove(RunValue);
    else
        return;
    key.sync();
    if (key.status() != QSettings::NoError)
        throw CalbreyError(QStringLiteral("Failed to set data for '") + RunValue +
                           QLatin1Char('\''));
}

#else

namespace {
QString &autostartOverride()
{
    static QString folder;
    return folder;
}

QString autostartFolder()
{
    if (!autostartOverride().isEmpty())
        return autostartOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

// One argument of an Exec key: inside double quotes the characters " ` $ and \ are escaped
// with a backslash, and % is doubled so that it is not read as a field code.
QString quoteExecArgument(const QString &argument)
{
    QString quoted(QLatin1Char('"'));
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The string escapes every value of a desktop file goes through; readers undo them before
// they undo the Exec quoting, so a backslash in the path ends up as four.
QString escapeValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
} // namespace

QString AutostartEntryPath()
{
    return autostartFolder() + QStringLiteral("/quenlark-calbrey.desktop");
}

void SetAutostartFolder(const QString &folder)
{
    autostartOverride() = folder;
}

QString StartWithLoginCommand(const QString &executablePath)
{
    return quoteExecArgument(executablePath) + TraySwitch;
}

QByteArray AutostartEntryContent(const QString &executablePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quenlark Calbrey\n"
                                        "Comment=Address book, started hidden in the tray\n"
                                        "Exec=") +
                         escapeValue(StartWithLoginCommand(executablePath)) +
                         QStringLiteral("\n"
                                        "Icon=quenlark-calbrey\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool StartWithLoginExists()
{
    return QFileInfo::exists(AutostartEntryPath());
}

void SetStartWithLogin(bool on, const QString &executablePath)
{
    const QString path = AutostartEntryPath();
    if (on) {
        // A missing folder is made; one that cannot be made shows up as the write failing.
        QDir().mkpath(autostartFolder());
        WriteFileAtomically(path, AutostartEntryContent(executablePath));
        return;
    }
    QFileInfo entry(path);
    if (!entry.exists() && !entry.isSymLink())
        return;
    if (!QFile::remove(path))
        throw CalbreyError(QStringLiteral("Unable to remove ") + path);
}

#endif

// --- the machine-wide settings ------------------------------------------------------------

#ifdef Q_OS_WIN

struct MachineKey::Impl
{
    explicit Impl(const QString &keyPath)
        : settings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath, QSettings::NativeFormat)
    {}
    QSettings settings;
    QString firstSet;
};

MachineKey::MachineKey(const QString &keyPath, const QString &) : d(std::make_unique<Impl>(keyPath))
{}

MachineKey::Value MachineKey::value(const QString &name) const
{
    const QVariant stored = d->settings.value(name);
    Value value;
    if (!stored.isValid())
        return value;
    // REG_SZ reads as text and REG_DWORD as a 32-bit integer; anything else is another type.
    switch (stored.typeId()) {
    case QMetaType::QString:
        value.type = Value::Text;
        value.text = stored.toString();
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
        value.type = Value::Integer;
        value.number = stored.toUInt();
        break;
    default:
        value.type = Value::OtherType;
    }
    return value;
}

void MachineKey::setText(const QString &name, const QString &text)
{
    if (d->firstSet.isEmpty())
        d->firstSet = name;
    d->settings.setValue(name, text);
}

void MachineKey::setInteger(const QString &name, quint32 number)
{
    if (d->firstSet.isEmpty())
        d->firstSet = name;
    d->settings.setValue(name, number);
}

void MachineKey::flush()
{
    if (d->firstSet.isEmpty())
        return;
    d->settings.sync();
    if (d->settings.status() != QSettings::NoError)
        failToSet();
    d->firstSet.clear();
}

#else

namespace {
const QLatin1String TextPrefix("sz:");
const QLatin1String IntegerPrefix("dword:");

MachineKey::Value decodeValue(const QString &stored)
{
    MachineKey::Value value;
    value.type = MachineKey::Value::OtherType;
    if (stored.startsWith(TextPrefix, Qt::CaseInsensitive)) {
        QString text = stored.mid(TextPrefix.size());
        // The quotes keep blanks at either end, which a read of the file would trim.
        if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) &&
            text.endsWith(QLatin1Char('"')))
            text = text.mid(1, text.size() - 2);
        value.type = MachineKey::Value::Text;
        value.text = text;
    } else if (stored.startsWith(IntegerPrefix, Qt::CaseInsensitive)) {
        const QString digits = stored.mid(IntegerPrefix.size());
        const bool hexDigits = !digits.isEmpty() && digits.size() <= 8 &&
                               std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
                                   return QStringView(u"0123456789abcdefABCDEF").contains(c);
                               });
        if (hexDigits) {
            value.type = MachineKey::Value::Integer;
            value.number = digits.toUInt(nullptr, 16);
        }
    }
    return value;
}
} // namespace

struct MachineKey::Impl
{
    Impl(const QString &keyPath, const QString &storeFile) : section(keyPath), file(storeFile) {}
    QString section;
    IniFile file;
    std::optional<IniFile::Batch> batch;
    QString firstSet;
};

MachineKey::MachineKey(const QString &keyPath, const QString &storeFile)
    : d(std::make_unique<Impl>(keyPath, storeFile))
{}

MachineKey::Value MachineKey::value(const QString &name) const
{
    const std::optional<QString> stored = d->file.value(d->section, name);
    return stored ? decodeValue(*stored) : Value();
}

void MachineKey::setText(const QString &name, const QString &text)
{
    if (!d->batch)
        d->batch.emplace(d->file);
    if (d->firstSet.isEmpty())
        d->firstSet = name;
    try {
        d->file.writeString(d->section, name,
                            TextPrefix + QLatin1Char('"') + text + QLatin1Char('"'));
    } catch (const CalbreyError &) {
        // A text the file cannot hold (a line break) is refused like a failed write.
        failToSet();
    }
}

void MachineKey::setInteger(const QString &name, quint32 number)
{
    if (!d->batch)
        d->batch.emplace(d->file);
    if (d->firstSet.isEmpty())
        d->firstSet = name;
    d->file.writeString(d->section, name,
                        IntegerPrefix + QStringLiteral("%1").arg(number, 8, 16, QLatin1Char('0')));
}

void MachineKey::flush()
{
    if (!d->batch)
        return;
    try {
        d->batch->commit();
    } catch (const CalbreyError &) {
        failToSet();
    }
    d->batch.reset();
    d->firstSet.clear();
}

#endif

MachineKey::~MachineKey() = default;

void MachineKey::failToSet()
{
    // Nothing set so far is written: what is left of it is dropped with the failure.
    const CalbreyError error(QStringLiteral("Failed to set data for '") + d->firstSet +
                             QLatin1Char('\''));
#ifndef Q_OS_WIN
    d->batch.reset();
#endif
    d->firstSet.clear();
    throw error;
}
