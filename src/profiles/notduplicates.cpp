#include "profiles/notduplicates.h"

#include "platform/inifile.h"
#include "profiles/inivalue.h"
#include "profiles/untprofiles.h"

namespace {
const QString firstKey = QStringLiteral("First");
const QString secondKey = QStringLiteral("Second");
const QString pairPrefix = QStringLiteral("Pair ");
} // namespace

TNotDuplicates::TNotDuplicates(const TProfile &profile)
    : m_file(std::make_unique<IniFile>(profile.GetProfileInfo(3) + FileName()))
{}

TNotDuplicates::~TNotDuplicates() = default;

QString TNotDuplicates::PairKey(const QString &a, const QString &b)
{
    const QString first = a.toCaseFolded();
    const QString second = b.toCaseFolded();
    return first < second ? first + QChar(u'\x1f') + second : second + QChar(u'\x1f') + first;
}

QSet<QString> TNotDuplicates::Pairs() const
{
    QSet<QString> pairs;
    const IniFile::ReadScope scope(*m_file);
    for (const QString &section : m_file->sectionNames()) {
        const auto values = m_file->values(section, {firstKey, secondKey});
        if (values[0] && values[1])
            pairs.insert(PairKey(*values[0], *values[1]));
    }
    return pairs;
}

void TNotDuplicates::Remember(const QStringList &names)
{
    const QSet<QString> known = Pairs();
    // Sections are numbered on from the highest number in the file.
    int next = 0;
    for (const QString &section : m_file->sectionNames()) {
        if (section.startsWith(pairPrefix))
            next = qMax(next, section.mid(pairPrefix.size()).toInt());
    }
    IniFile::Batch batch(*m_file);
    for (qsizetype i = 0; i < names.size(); ++i) {
        for (qsizetype j = i + 1; j < names.size(); ++j) {
            if (known.contains(PairKey(names[i], names[j])))
                continue;
            const QString section = pairPrefix + QString::number(++next);
            m_file->writeString(section, firstKey, QuoteIniValue(SingleLineIniValue(names[i])));
            m_file->writeString(section, secondKey, QuoteIniValue(SingleLineIniValue(names[j])));
        }
    }
    batch.commit();
}
