// Figures for vCard files at 10,000 and 100,000 contacts: exporting every contact as vCard
// 3.0, beside abook writing the same people as vCard in the same run; and importing that file
// into an empty profile.
//
//   calbrey_bench_vcard [--runs N] [--sizes 10000,100000] [data-folder]

#include "benchdata.h"

#include "import/contactimport.h"
#include "profiles/untprofiles.h"
#include "vcard/vcardfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

QTextStream out(stdout);

class NeverAsked : public TClashQuestion
{
public:
    TClashAnswer Ask(const QString &) override
    {
        throw std::runtime_error("a clash in an empty profile");
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(app.arguments().mid(1), 3);
    QTemporaryDir generated;
    const QString dataFolder = options.dataFolder.isEmpty() ? generated.path() : options.dataFolder;

    QList<AbookComparison> rows;
    try {
        for (int contacts : options.sizes) {
            out << "preparing " << contacts << " contacts..." << Qt::endl;
            const QString book = EnsureGeneratedBook(dataFolder, contacts);
            QTemporaryDir root;
            const QString file = root.path() + QStringLiteral("/contacts.vcf");
            {
                BenchProgramFolder program(root.path(), book);
                TProfile profile(BenchProgramFolder::profileName());
                QStringList names;
                profile.GetContactNames(names);
                const double exported = MedianOf(options.runs, [&] {
                    ExportVCardFile(profile, names, TVCardVersion::V30, file);
                });
                rows.append(
                    {contacts,
                     QStringLiteral("export, vCard 3.0 (%1 MB)")
                         .arg(double(QFileInfo(file).size()) / (1024 * 1024), 0, 'f', 1),
                     exported,
                     AbookExport(dataFolder, contacts, options.runs, QStringLiteral("vcard")),
                     0.5});
                rows.append(
                    {contacts, QStringLiteral("  of it: the text, before the disk"),
                     MedianOf(options.runs,
                              [&] { WriteVCardContacts(profile, names, TVCardVersion::V30); }),
                     0, 0});
            }
            QList<double> imports;
            for (int run = 0; run < options.runs; ++run) {
                EmptyProfile empty;
                NeverAsked question;
                imports.append(Seconds([&] {
                    const TVCardContacts cards = ReadVCardFile(file);
                    TContactImport import(*ActiveProfile, question, nullptr);
                    const TImportResult result = import.Run(
                        cards.contacts.size(), [&](qsizetype i) { return cards.contacts[i]; });
                    if (result.added != contacts)
                        throw std::runtime_error("the import did not add every contact");
                }));
            }
            rows.append({contacts, QStringLiteral("import into an empty profile"), Median(imports),
                         0, 1.5});
            rows.append({contacts, QStringLiteral("  of it: reading the file"),
                         MedianOf(options.runs, [&] { ReadVCardFile(file); }), 0, 0});
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "calbrey_bench_vcard: %s\n", error.what());
        return 1;
    }

    PrintAbookComparison(rows, options.runs, QStringLiteral("abook vcard"));
    return 0;
}
