// Figures for a sync with a CardDAV server (Radicale, started here), beside vdirsyncer syncing
// the same cards with the same server in the same run: the download of every card into an
// empty profile, a sync with nothing changed, and (up to 1,000 contacts) the upload of every
// contact to an empty address book.
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

    // Download into an empty profile, then nothing changed.
    {
        std::unique_ptr<DavServer> dav = freshServer();
        // The whole book in one request (Radicale takes a collection's cards at once), so that
        // large books are quick to set up.
        QByteArray answer;
        const int status = dav->request("PUT", dav->book().path(), cards.join(),
                                        {{"Content-Type", "text/vcard"}}, nullptr, &answer);
        require(status / 100 == 2, QStringLiteral("the server did not take the book: %1 %2")
                                       .arg(status)
                                       .arg(QString::fromUtf8(answer.left(300))));
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

    // Upload to an empty address book: the server's write of each card dominates.
    if (contacts > 1000)
        return;
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
