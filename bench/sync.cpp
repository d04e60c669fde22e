// Figures for a sync with a CardDAV server (Radicale, started here), beside vdirsyncer syncing
// the same cards with the same server in the same run: the download of every card into an
// empty profile, a sync with nothing changed, and (up to 1,000 contacts) the upload of every
// contact to an empty address book (a fresh server for each side).
//
//   calbrey_bench_sync [--sizes 1000,10000] [data-folder]

#include "benchdata.h"
#include "davserver.h"

#include "profiles/untprofiles.h"
#include "sync/synccontact.h"
#include "sync/syncserver.h"
#include "sync/syncsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

QTextStream out(stdout);

void require(bool condition, const QString &what)
{
    if (!condition)
        throw std::runtime_error(what.toStdString());
}

std::unique_ptr<DavServer> freshServer()
{
    auto server = std::make_unique<DavServer>(DavServer::Kind::Radicale);
    require(server->start(), server->error());
    return server;
}

// A server whose book holds cards (written into its storage: uploading them one by one takes
// Radicale a write each), every card read once, so that its cache of each card is made.
// withHistory: its sync history too, which Radicale makes, a file per card, the first time
// any client asks it for a sync-token, as a server that a phone syncs with has it.
std::unique_ptr<DavServer> seededServer(const QList<QByteArray> &cards, bool withHistory)
{
    std::unique_ptr<DavServer> dav = freshServer();
    QList<std::pair<QString, QByteArray>> files;
    for (qsizetype i = 0; i < cards.size(); ++i)
        files.append({QStringLiteral("seed-%1.vcf").arg(i), cards[i]});
    require(dav->seed(files), dav->error());
    if (withHistory) {
        const int status =
            dav->request("REPORT", dav->book().path(),
                         "<?xml version=\"1.0\"?><d:sync-collection xmlns:d=\"DAV:\">"
                         "<d:sync-token/><d:sync-level>1</d:sync-level><d:prop><d:getetag/>"
                         "</d:prop></d:sync-collection>",
                         {{"Depth", "1"}, {"Content-Type", "application/xml"}}, nullptr, nullptr,
                         30 * 60 * 1000);
        require(status == 207, QStringLiteral("no sync history (%1)").arg(status));
    }
    return dav;
}

// One sync of the active profile with the server's book; its summary.
TSyncSummary sync(const DavServer &dav)
{
    TDavAccount account;
    account.server = dav.book();
    account.user = dav.user();
    account.password = dav.password();
    TCardDavServer server(account, dav.book());
    TSyncSession session(*ActiveProfile, server, dav.book().toString(), {});
    const TSyncResult result = session.RunToEnd();
    require(result.outcome == TSyncOutcome::Done, QStringLiteral("sync: ") + result.message);
    return result.summary;
}

// The generated contacts as cards, each with a UID of its own.
QList<QByteArray> cardsOf(const QString &book, int contacts)
{
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    TProfile profile(BenchProgramFolder::profileName());
    QList<QByteArray> cards;
    int i = 0;
    for (TSyncContact contact : ReadSyncContacts(profile)) {
        contact.SetUid(QStringLiteral("bench-") + QString::number(++i));
        cards.append(CardOfContact(contact));
    }
    require(cards.size() == contacts, QStringLiteral("the generated book is short"));
    return cards;
}

// vdirsyncer between a folder of .vcf files and the server's book.
class Vdirsyncer
{
public:
    Vdirsyncer(const DavServer &dav, const QList<QByteArray> &cards)
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("cards")));
        for (qsizetype i = 0; i < cards.size(); ++i) {
            QFile file(m_dir.filePath(QStringLiteral("cards/%1.vcf").arg(i)));
            require(file.open(QIODevice::WriteOnly) && file.write(cards[i]) == cards[i].size(),
                    QStringLiteral("cannot write a card"));
        }
        QFile config(m_dir.filePath(QStringLiteral("config")));
        require(config.open(QIODevice::WriteOnly), QStringLiteral("cannot write the config"));
        config.write(QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n\n"
                                    "[pair bench]\na = \"local\"\nb = \"remote\"\n"
                                    "collections = null\n\n"
                                    "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\n"
                                    "fileext = \".vcf\"\n\n"
                                    "[storage remote]\ntype = \"carddav\"\nurl = \"%2\"\n"
                                    "username = \"%3\"\npassword = \"%4\"\n")
                         .arg(m_dir.path(), dav.book().toString(), dav.user(), dav.password())
                         .toUtf8());
        config.close();
        run({QStringLiteral("discover"), QStringLiteral("bench")});
    }

    static bool Installed()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("vdirsyncer")).isEmpty();
    }

    double Sync()
    {
        return Seconds([this] { run({QStringLiteral("sync")}); });
    }

private:
    QTemporaryDir m_dir;

    void run(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("vdirsyncer"),
                      QStringList{QStringLiteral("-c"), m_dir.filePath(QStringLiteral("config"))} +
                          arguments);
        process.write("y\ny\n"); // discover asks before it makes anything
        process.closeWriteChannel();
        process.waitForFinished(-1);
        require(process.exitCode() == 0,
                QStringLiteral("vdirsyncer: ") + QString::fromUtf8(process.readAllStandardError()));
    }
};

void row(int contacts, const QString &operation, double ours, double theirs, double ratio)
{
    out << qSetFieldWidth(9) << Qt::left << contacts << qSetFieldWidth(40) << operation
        << qSetFieldWidth(11) << FormatTime(ours) << qSetFieldWidth(13)
        << (theirs > 0 ? FormatTime(theirs) : QStringLiteral("-")) << qSetFieldWidth(8)
        << (theirs > 0 ? QString::number(ours / theirs, 'f', 2) : QStringLiteral("-"))
        << qSetFieldWidth(0);
    if (theirs > 0 && ratio > 0)
        out << (ours <= ratio * theirs ? "yes (<= " : "NO (<= ") << ratio << "x)";
    out << Qt::endl;
}

void measure(int contacts, const QString &book)
{
    const QList<QByteArray> cards = cardsOf(book, contacts);
    const bool vdir = Vdirsyncer::Installed();

    // Download into an empty profile, then nothing changed: both sides on one server seeded
    // with the cards, whose per-card cache and sync history are made before either side is
    // timed, so that neither pays for them.
    {
        std::unique_ptr<DavServer> dav = seededServer(cards, true);
        double ours = 0;
        double again = 0;
        {
            EmptyProfile empty;
            ours = Seconds([&] { require(sync(*dav).downloaded == contacts, "downloaded"); });
            again = Seconds([&] { require(sync(*dav) == TSyncSummary{}, "nothing to do"); });
        }
        double theirs = 0;
        double theirsAgain = 0;
        if (vdir) {
            Vdirsyncer vdirsyncer(*dav, {});
            theirs = vdirsyncer.Sync();
            theirsAgain = vdirsyncer.Sync();
        }
        row(contacts, QStringLiteral("download into an empty profile"), ours, theirs, 0.5);
        row(contacts, QStringLiteral("sync, nothing changed"), again, theirsAgain, 0.25);
        if (contacts >= 10000)
            out << "         (target at 10,000: under 0.5 s: " << (again < 0.5 ? "yes" : "NO")
                << ")" << Qt::endl;
    }

    if (contacts > 1000)
        return;
    // The first sync with a server whose sync history is not made yet: ours asks for a
    // sync-token, so Radicale makes it then (vdirsyncer never asks for one).
    {
        std::unique_ptr<DavServer> dav = seededServer(cards, false);
        EmptyProfile empty;
        const double first =
            Seconds([&] { require(sync(*dav).downloaded == contacts, "downloaded"); });
        row(contacts, QStringLiteral("download, server's sync history unmade"), first, 0, 0);
    }

    // Upload to an empty address book: the server's write of each card dominates.
    double ours = 0;
    {
        std::unique_ptr<DavServer> dav = freshServer();
        QTemporaryDir root;
        BenchProgramFolder program(root.path(), book);
        ActiveProfile = new TProfile(BenchProgramFolder::profileName());
        ours = Seconds([&] { require(sync(*dav).uploaded == contacts, "uploaded"); });
        delete ActiveProfile;
        ActiveProfile = nullptr;
    }
    double theirs = 0;
    if (vdir) {
        std::unique_ptr<DavServer> dav = freshServer();
        Vdirsyncer vdirsyncer(*dav, cards);
        theirs = vdirsyncer.Sync();
    }
    row(contacts, QStringLiteral("upload to an empty address book"), ours, theirs, 1.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchOptions options = ParseBenchOptions(QCoreApplication::arguments(), 1);
    if (!QCoreApplication::arguments().contains(QStringLiteral("--sizes")))
        options.sizes = {1000, 10000};
    try {
        if (!DavServer::Installed(DavServer::Kind::Radicale))
            throw std::runtime_error("Radicale is not installed");
        QTemporaryDir scratch;
        const QString data = options.dataFolder.isEmpty() ? scratch.path() : options.dataFolder;
        out << "sync with Radicale, beside vdirsyncer (" << (Vdirsyncer::Installed() ? "" : "not ")
            << "installed)" << Qt::endl;
        out << qSetFieldWidth(9) << Qt::left << "contacts" << qSetFieldWidth(40) << "operation"
            << qSetFieldWidth(11) << "ours" << qSetFieldWidth(13) << "vdirsyncer"
            << qSetFieldWidth(8) << "ratio" << qSetFieldWidth(0) << "target" << Qt::endl;
        for (const int contacts : std::as_const(options.sizes))
            measure(contacts, EnsureGeneratedBook(data, contacts));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_sync: %s\n", error.what());
        return 1;
    }
    return 0;
}
