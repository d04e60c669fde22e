// Figures for the duplicate finder at 10,000 and 100,000 contacts, with a known number of
// duplicates planted: how long finding takes, how many of the planted pairs it finds and how
// many other groups it shows.
//
//   calbrey_bench_duplicates [--runs N] [--sizes 10000,100000] [data-folder]
//
// Every hundredth contact gets a copy that is the same person written otherwise, in turn:
// the same e-mail in other capitals under another name; the same mobile number written
// without its country code under another name; the same name with its words turned round.

#include "benchdata.h"

#include "profiles/duplicatefinder.h"
#include "profiles/untprofiles.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <sys/resource.h>

namespace {

QTextStream out(stdout);

struct Planted
{
    QString original;
    QString copy;
    int kind; // 0 e-mail, 1 phone, 2 name
};

// The copies, written in one batch.
QList<Planted> plantDuplicates(TProfile &profile)
{
    QStringList names;
    profile.GetContactNames(names);
    QList<Planted> planted;
    TProfile::ContactBatch batch(profile);
    for (qsizetype i = 0; i < names.size(); i += 100) {
        const QString &name = names[i];
        const int kind = int(planted.size() % 3);
        const QStringList words = name.split(QLatin1Char(' '));
        QString copy;
        QList<std::pair<QString, QString>> fields;
        if (kind == 0) {
            copy = words.first().left(1) + QStringLiteral(". ") + words.last() +
                   QStringLiteral(" (mail)");
            fields.append({QStringLiteral("pEmailAddress"),
                           profile.ReadField(name, QStringLiteral("pEmailAddress")).toUpper()});
        } else if (kind == 1) {
            copy = words.first() + QStringLiteral(" ") + words.last() + QStringLiteral(" (mobile)");
            // "+47 91234567" as a Norwegian writes it at home.
            QString mobile = profile.ReadField(name, QStringLiteral("pMobile"));
            mobile.remove(QStringLiteral("+47 "));
            fields.append({QStringLiteral("pMobile"),
                           mobile.left(3) + u' ' + mobile.mid(3, 2) + u' ' + mobile.mid(5)});
        } else {
            copy = words.last() + QStringLiteral(", ") + words.mid(0, words.size() - 1).join(u' ');
        }
        fields.prepend({QStringLiteral("aContactName"), copy});
        profile.WriteFields(copy, fields);
        planted.append({name, copy, kind});
    }
    batch.commit();
    return planted;
}

// The processor time this process has used, all its threads together.
double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Result
{
    int contacts;
    double seconds;
    double processor; // seconds of processor time per find, both threads together
    qsizetype planted;
    qsizetype found;
    QList<qsizetype> foundByKind{0, 0, 0};
    qsizetype groups;
    qsizetype otherGroups;
    qsizetype otherByPhone = 0; // the generator's random numbers that happen to repeat
};

Result measure(int contacts, const QString &book, int runs)
{
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    ActiveProfile = new TProfile(BenchProgramFolder::profileName());
    const QList<Planted> planted = plantDuplicates(*ActiveProfile);
    QList<TDuplicateGroup> groups;
    const double before = processorSeconds();
    const double seconds = MedianOf(
        runs, [&] { groups = FindDuplicatesInProfile(*ActiveProfile, QStringLiteral("NO"), {}); });
    const double processor = (processorSeconds() - before) / qMax(1, runs);

    Result result{contacts, seconds, processor, planted.size(), 0, {0, 0, 0}, groups.size(), 0};
    QHash<QString, QList<qsizetype>> groupsOf;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        for (const QString &name : groups[g].names)
            groupsOf[name].append(g);
    }
    QSet<qsizetype> plantedGroups;
    for (const Planted &pair : planted) {
        for (qsizetype g : groupsOf.value(pair.original)) {
            if (groups[g].names.contains(pair.copy)) {
                ++result.found;
                ++result.foundByKind[pair.kind];
                plantedGroups.insert(g);
                break;
            }
        }
    }
    result.otherGroups = groups.size() - plantedGroups.size();
    for (qsizetype g = 0; g < groups.size(); ++g) {
        if (!plantedGroups.contains(g) && groups[g].reasons.size() == 1 &&
            groups[g].reasons[0].startsWith(QStringLiteral("same phone")))
            ++result.otherByPhone;
    }
    delete ActiveProfile;
    ActiveProfile = nullptr;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 3);
    QString dataFolder = options.dataFolder;
    QTemporaryDir generated;
    if (dataFolder.isEmpty())
        dataFolder = generated.path();
    QList<Result> results;
    try {
        for (int contacts : options.sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            results.append(
                measure(contacts, EnsureGeneratedBook(dataFolder, contacts), options.runs));
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_duplicates: %s\n", error.what());
        return 1;
    }
    out << Qt::endl
        << "median of " << options.runs << " runs; target < 2 s at 100,000; processor = "
        << "processor time of one find, both threads (what the find costs on a busy machine)"
        << Qt::endl;
    out << Qt::left << qSetFieldWidth(10) << "contacts" << qSetFieldWidth(10) << "find"
        << qSetFieldWidth(11) << "processor" << qSetFieldWidth(9) << "planted" << qSetFieldWidth(26)
        << "found (mail/phone/name)" << qSetFieldWidth(8) << "groups" << qSetFieldWidth(0)
        << "other groups shown (by a phone number alone)" << Qt::endl;
    for (const Result &r : results) {
        out << qSetFieldWidth(10) << r.contacts << qSetFieldWidth(10) << FormatTime(r.seconds)
            << qSetFieldWidth(11) << FormatTime(r.processor) << qSetFieldWidth(9) << r.planted
            << qSetFieldWidth(26)
            << QStringLiteral("%1 (%2/%3/%4)")
                   .arg(r.found)
                   .arg(r.foundByKind[0])
                   .arg(r.foundByKind[1])
                   .arg(r.foundByKind[2])
            << qSetFieldWidth(8) << r.groups << qSetFieldWidth(0) << r.otherGroups << " ("
            << r.otherByPhone << ")" << Qt::endl;
    }
    return 0;
}
