// Figures for the trash at 10,000 and 100,000 contacts: deleting one contact (trash.db written,
// then book.db) and restoring it; opening the profile with a trash of as many entries as the
// book has contacts; and opening the Deleted Contacts window over that trash, first paint
// included.
//
//   calbrey_bench_trash [--runs N] [--sizes 10000,100000] [data-folder]

#include "benchdata.h"

#include "forms/dialogs/deletedcontactsmodel.h"
#include "forms/dialogs/frmdeletedcontacts.h"
#include "import/contactimport.h"
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/trashrestore.h"
#include "profiles/untprofiles.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

QTextStream out(stdout);

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(what);
}

class NeverAsked : public TClashQuestion
{
public:
    TClashAnswer Ask(const QString &) override
    {
        throw std::runtime_error("a restored name is taken");
    }
};

void report(int contacts, const QString &operation, double seconds, double target)
{
    out << qSetFieldWidth(9) << Qt::left << contacts << qSetFieldWidth(52) << operation
        << qSetFieldWidth(12) << FormatTime(seconds) << qSetFieldWidth(12)
        << (target > 0 ? QStringLiteral("< ") + FormatTime(target) : QString()) << qSetFieldWidth(0)
        << (target <= 0        ? ""
            : seconds < target ? "yes"
                               : "NO")
        << Qt::endl;
}

void measure(int contacts, const QString &book, int runs)
{
    QTemporaryDir root;
    BenchProgramFolder program(root.path(), book);
    const QString bench = BenchProgramFolder::profileName();
    {
        TProfile profile(bench);
        QStringList names;
        profile.GetContactNames(names);
        const QString name = names.at(names.size() / 2);
        NeverAsked question;
        QList<double> deletes;
        QList<double> restores;
        for (int run = 0; run < runs; ++run) {
            deletes.append(Seconds([&] { require(profile.DeleteContact(name), "not deleted"); }));
            const QString id = profile.Trash().Entries().constLast().id;
            restores.append(Seconds([&] {
                require(RestoreFromTrash(profile, {id}, question).restored.size() == 1,
                        "not restored");
            }));
        }
        report(contacts, QStringLiteral("delete one contact (question answered)"), Median(deletes),
               0.15);
        report(contacts, QStringLiteral("restore it from the trash"), Median(restores), 0.15);

        const double all =
            Seconds([&] { MoveContactsToTrash(profile, names, TTrashReason::Deleted); });
        report(contacts, QStringLiteral("move every contact to the trash"), all, 0);
    }
    // The book is empty now, the trash full: every entry is looked at when the profile opens.
    report(contacts, QStringLiteral("open the profile, trash of as many"),
           MedianOf(runs, [&] { TProfile profile(bench); }), 0);

    ActiveProfile = new TProfile(bench);
    const double window = MedianOf(runs, [&] {
        TDeletedContacts dialog;
        dialog.show();
        QCoreApplication::processEvents();
        require(dialog.Model().rowCount() == contacts, "the window lists the wrong count");
    });
    report(contacts, QStringLiteral("open Deleted Contacts, first paint"), window,
           contacts <= 10000 ? 0.3 : 0);
    delete ActiveProfile;
    ActiveProfile = nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The delete's question is answered Yes.
    AnswerEveryQuestionYes();
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 5);
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;
    try {
        out << "median of " << options.runs << " runs" << Qt::endl;
        out << qSetFieldWidth(9) << Qt::left << "contacts" << qSetFieldWidth(52) << "operation"
            << qSetFieldWidth(12) << "time" << qSetFieldWidth(12) << "target" << qSetFieldWidth(0)
            << "met" << Qt::endl;
        for (const int contacts : options.sizes)
            measure(contacts, EnsureGeneratedBook(dataFolder, contacts), options.runs);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_trash: %s\n", error.what());
        return 1;
    }
    return 0;
}
