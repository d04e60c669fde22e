#include "benchdata.h"

#include "app/untcommon.h"
#include "platform/messagebox.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <sys/resource.h>

namespace {

QString generatorPath()
{
    const QString fromEnvironment =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("CALBREY_GEN_CONTACTS"));
    return fromEnvironment.isEmpty() ? QStringLiteral(CALBREY_GEN_CONTACTS) : fromEnvironment;
}

} // namespace

QString EnsureGeneratedBook(const QString &dataFolder, int contacts)
{
    return EnsureGeneratedFile(dataFolder, QStringLiteral("bookdb"), contacts,
                               QStringLiteral("book-%1.db").arg(contacts));
}

QString EnsureGeneratedFile(const QString &dataFolder, const QString &kind, int contacts,
                            const QString &fileName)
{
    QString path = dataFolder + u'/' + fileName;
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(dataFolder);
    // Straight into a file: this process never holds the data, so the peak memory its
    // children report is their own.
    const QString partial = path + QStringLiteral(".part");
    QProcess python;
    python.setStandardOutputFile(partial);
    python.start(QStringLiteral("python3"), {generatorPath(), kind, QString::number(contacts)});
    if (!python.waitForFinished(10 * 60 * 1000) || python.exitCode() != 0) {
        QFile::remove(partial);
        throw std::runtime_error("the contact generator failed: " +
                                 python.readAllStandardError().toStdString());
    }
    if (!QFile::rename(partial, path))
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

BenchProgramFolder::BenchProgramFolder(const QString &root, const QString &book)
{
    const QString folder = root + QStringLiteral("/Profiles/") + profileName() + u'/';
    QDir().mkpath(folder);
    m_bookPath = folder + QStringLiteral("book.db");
    QFile::remove(m_bookPath);
    if (!QFile::copy(book, m_bookPath))
        throw std::runtime_error("cannot copy " + book.toStdString());
    QFile::setPermissions(m_bookPath, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(folder + QStringLiteral("config.ini"));
    SetProgramFolder(root);
    // The INI layer double-checks a file changed in the last two seconds (its time stamps may
    // not show a second change yet); a user's book.db is rarely that fresh, so wait that out.
    QThread::msleep(2200);
}

BenchProgramFolder::~BenchProgramFolder()
{
    SetProgramFolder(QString());
}

void WriteWholeContact(TProfile &profile, const QString &name, int round)
{
    const QString suffix = QStringLiteral(" r") + QString::number(round);
    for (const ContactField &field : ContactFields) {
        const QString key = field.key;
        if (field.kind == ContactFieldKind::Integer)
            profile.WriteIntField(name, key, round % 25);
        else if (field.isMultiLine())
            profile.WriteMultiLineField(name, key, QStringLiteral("first line\r\nsecond") + suffix);
        else if (key == QLatin1String("aContactName"))
            profile.WriteField(name, key, name);
        else
            profile.WriteField(name, key, key + suffix);
    }
}

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

BenchOptions ParseBenchOptions(QStringList arguments, int defaultRuns)
{
    BenchOptions options;
    options.runs = defaultRuns;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QLatin1String("--runs")) {
            options.runs =
                qMax(1, arguments.isEmpty() ? options.runs : arguments.takeFirst().toInt());
        } else if (argument == QLatin1String("--no-naive")) {
            options.naive = false;
        } else if (argument == QLatin1String("--sizes") && !arguments.isEmpty()) {
            options.sizes.clear();
            for (const QString &size : arguments.takeFirst().split(u','))
                options.sizes.append(size.toInt());
        } else if (argument.startsWith(QLatin1String("--"))) {
            options.flags.append(argument);
        } else {
            options.dataFolder = argument;
        }
    }
    return options;
}

void AnswerEveryQuestionYes()
{
    SetMessageBoxHandler([](const QString &text, const QString &caption, int flags) {
        const bool question = (flags & 0x0F) != 0;
        if (!question)
            std::fprintf(stderr, "message: %s: %s\n", qPrintable(caption), qPrintable(text));
        return question ? MessageBoxResult::Yes : MessageBoxResult::Ok;
    });
}

double Seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

double MedianOf(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i)
        times.append(Seconds(work));
    return Median(times);
}

QString FormatTime(double value)
{
    if (value <= 0)
        return QStringLiteral("-");
    if (value < 1e-3)
        return QString::number(value * 1e6, 'f', 2) + QStringLiteral(" us");
    if (value < 1)
        return QString::number(value * 1e3, 'f', 1) + QStringLiteral(" ms");
    return QString::number(value, 'f', 2) + QStringLiteral(" s");
}

long MaxResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

EmptyProfile::EmptyProfile()
{
    const QString folder = m_root.path() + QStringLiteral("/Profiles/bench/");
    QDir().mkpath(folder);
    QFile book(folder + QStringLiteral("book.db"));
    if (!book.open(QIODevice::WriteOnly) ||
        book.write("; Quenlark Calbrey Database Holder.\r\n") < 0)
        throw std::runtime_error("cannot make the empty profile");
    book.close();
    SetProgramFolder(m_root.path());
    ActiveProfile = new TProfile(QStringLiteral("bench"));
    ActiveProfile->OpenFiles();
}

EmptyProfile::~EmptyProfile()
{
    delete ActiveProfile;
    ActiveProfile = nullptr;
    SetProgramFolder(QString());
}

double AbookExport(const QString &folder, int contacts, int runs, const QString &format)
{
    const QString book = folder + QStringLiteral("/abook-%1").arg(contacts);
    if (!QFileInfo::exists(book)) {
        QProcess generator;
        generator.setStandardOutputFile(book);
        generator.start(QStringLiteral("python3"),
                        {qEnvironmentVariable("CALBREY_GEN_CONTACTS", CALBREY_GEN_CONTACTS),
                         QStringLiteral("abook"), QString::number(contacts)});
        if (!generator.waitForFinished(10 * 60 * 1000) || generator.exitCode() != 0)
            throw std::runtime_error("the contact generator failed for abook");
    }
    QTemporaryDir home; // abook keeps its settings in the home folder
    const QString exported = home.path() + QStringLiteral("/out.") + format;
    const auto run = [&] {
        QFile::remove(exported); // abook does not replace a file
        QProcess abook;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        abook.setProcessEnvironment(environment);
        abook.start(QStringLiteral("abook"),
                    {QStringLiteral("--convert"), QStringLiteral("--informat"),
                     QStringLiteral("abook"), QStringLiteral("--infile"), book,
                     QStringLiteral("--outformat"), format, QStringLiteral("--outfile"), exported});
        if (!abook.waitForFinished(10 * 60 * 1000) || abook.exitCode() != 0)
            throw std::runtime_error("abook failed");
    };
    QProcess probe;
    probe.start(QStringLiteral("abook"), {QStringLiteral("--help")});
    if (!probe.waitForStarted())
        return 0;
    probe.waitForFinished();
    return MedianOf(runs, run);
}

void PrintAbookComparison(const QList<AbookComparison> &rows, int runs, const QString &abookColumn)
{
    QTextStream out(stdout);
    qsizetype width = 10;
    for (const AbookComparison &row : rows)
        width = qMax(width, row.operation.size() + 2);
    out << Qt::endl << "median of " << runs << " runs" << Qt::endl;
    out << Qt::left << qSetFieldWidth(9) << "contacts" << qSetFieldWidth(int(width)) << "operation"
        << qSetFieldWidth(12) << "ours" << qSetFieldWidth(14) << abookColumn << qSetFieldWidth(13)
        << "ours/abook" << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "met" << Qt::endl;
    for (const AbookComparison &row : rows) {
        const QString ratio =
            row.abook > 0 ? QString::number(row.ours / row.abook, 'f', 2) : QStringLiteral("-");
        const bool hasTarget = row.target > 0;
        out << qSetFieldWidth(9) << row.contacts << qSetFieldWidth(int(width)) << row.operation
            << qSetFieldWidth(12) << FormatTime(row.ours) << qSetFieldWidth(14)
            << FormatTime(row.abook) << qSetFieldWidth(13) << ratio << qSetFieldWidth(12)
            << (hasTarget ? QStringLiteral("< ") + FormatTime(row.target) : QString())
            << qSetFieldWidth(0) << (hasTarget ? (row.ours < row.target ? "yes" : "NO") : "")
            << Qt::endl;
    }
}
