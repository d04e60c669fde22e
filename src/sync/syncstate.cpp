#include "sync/syncstate.h"

#include "platform/inifile.h"
#include "profiles/inivalue.h"

#include <QCryptographicHash>

namespace {

const QString bookSection = QStringLiteral("Address Book");
const QString urlKey = QStringLiteral("URL");
const QString tokenKey = QStringLiteral("Sync Token");
const QString ctagKey = QStringLiteral("CTag");
const QString cardPrefix = QStringLiteral("Card ");
const QStringList recordKeys = {QStringLiteral("UID"), QStringLiteral("Href"),
                                QStringLiteral("ETag"), QStringLiteral("Digest"),
                                QStringLiteral("Card")};

QString sectionOf(const QString &uid)
{
    return cardPrefix +
           QString::fromLatin1(
               QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

TSyncState::TSyncState(const QString &path) : m_file(std::make_unique<IniFile>(path)) {}

TSyncState::~TSyncState() = default;

const QString &TSyncState::Path() const
{
    return m_file->path();
}

QString TSyncState::BookUrl() const
{
    return m_file->readString(bookSection, urlKey);
}

QString TSyncState::SyncToken() const
{
    return m_file->readString(bookSection, tokenKey);
}

QString TSyncState::CTag() const
{
    return m_file->readString(bookSection, ctagKey);
}

QHash<QString, TSyncRecord> TSyncState::Records(const QString &bookUrl) const
{
    QHash<QString, TSyncRecord> records;
    const IniFile::ReadScope scope(*m_file);
    if (BookUrl() != bookUrl)
        return records;
    for (const QString &section : m_file->sectionNames()) {
        if (!section.startsWith(cardPrefix))
            continue;
        const std::vector<std::optional<QString>> values = m_file->values(section, recordKeys);
        TSyncRecord record;
        record.uid = values[0].value_or(QString());
        record.href = values[1].value_or(QString());
        record.etag = values[2].value_or(QString());
        record.digest = values[3].value_or(QString());
        record.card = QByteArray::fromBase64(values[4].value_or(QString()).toLatin1());
        if (!record.uid.isEmpty() && sectionOf(record.uid) == section)
            records.insert(record.uid, record);
    }
    return records;
}

void TSyncState::Save(const QString &bookUrl, const QList<TSyncRecord> &put,
                      const QStringList &forget, const QString &syncToken, const QString &ctag)
{
    IniFile::Batch batch(*m_file);
    if (BookUrl() != bookUrl) {
        for (const QString &section : m_file->sectionNames())
            m_file->deleteSection(section);
        m_file->writeString(bookSection, urlKey, QuoteIniValue(bookUrl));
    }
    for (const QString &uid : forget)
        m_file->deleteSection(sectionOf(uid));
    for (const TSyncRecord &record : put) {
        // The keys are always the same: an earlier record's are replaced in place.
        m_file->writeSection(sectionOf(record.uid),
                             {{recordKeys[0], QuoteIniValue(record.uid)},
                              {recordKeys[1], QuoteIniValue(record.href)},
                              {recordKeys[2], QuoteIniValue(record.etag)},
                              {recordKeys[3], record.digest},
                              {recordKeys[4], QString::fromLatin1(record.card.toBase64())}});
    }
    if (!syncToken.isNull())
        m_file->writeString(bookSection, tokenKey, QuoteIniValue(syncToken));
    if (!ctag.isNull())
        m_file->writeString(bookSection, ctagKey, QuoteIniValue(ctag));
    batch.commit();
}

void TSyncState::Clear()
{
    IniFile::Batch batch(*m_file);
    for (const QString &section : m_file->sectionNames())
        m_file->deleteSection(section);
    batch.commit();
}
