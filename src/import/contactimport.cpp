#include "import/contactimport.h"

#include "profiles/trashbatch.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"

#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace {

// How often the progress is told: often enough for a smooth bar and a quick Cancel.
constexpr qsizetype kProgressStep = 256;
// Contacts whose sections are made on another thread while the ones before are written.
constexpr qsizetype kPreparedAhead = 64;

const QString contactNameKey = QStringLiteral("aContactName");

QString numbered(const QString &name, qsizetype number)
{
    return name + QString::number(number);
}

// The key's value merged with what the existing contact holds there (not empty).
void mergeField(QList<std::pair<QString, QString>> &fields, const QString &key,
                const QString &existing,
                const std::function<QString(const QString &, const QString &)> &merge)
{
    for (auto &[fieldKey, value] : fields)
        if (fieldKey.compare(key, Qt::CaseInsensitive) == 0) {
            value = merge(existing, value);
            return;
        }
    fields.append({key, merge(existing, QString())});
}

// What is written depends on the existing contact of that name: keys to clear, or keys to
// merge with that it holds.
bool dependsOnExisting(const TProfile &profile, const QString &name,
                       const TImportedContact &contact)
{
    if ((contact.clearedKeys.isEmpty() && contact.mergedKeys.isEmpty()) ||
        !profile.ContactExists(name))
        return false;
    return !contact.clearedKeys.isEmpty() ||
           std::any_of(contact.mergedKeys.cbegin(), contact.mergedKeys.cend(),
                       [&](const QString &key) { return !profile.ReadField(name, key).isEmpty(); });
}

// Contacts of an import fetched on the calling thread, and each one's section as it is written
// under its own name (nearly every contact is) made on two others, a half each.
struct TPreparedChunk
{
    std::vector<TImportedContact> contacts;
    std::vector<TProfile::PreparedFields> prepared;
};

// work on one of the pool's threads; the future tells when it is done.
std::future<void> runOn(QThreadPool &pool, std::function<void()> work)
{
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(work));
    std::future<void> done = task->get_future();
    pool.start([task] { (*task)(); });
    return done;
}

class TPreparedAhead
{
public:
    TPreparedAhead(QThreadPool &pool, qsizetype first, qsizetype count,
                   const std::function<TImportedContact(qsizetype)> &contactAt)
    {
        const qsizetype end = qMin(first + kPreparedAhead, count);
        m_chunk.contacts.reserve(std::size_t(end - first));
        for (qsizetype i = first; i < end; ++i)
            m_chunk.contacts.push_back(contactAt(i));
        m_chunk.prepared.resize(m_chunk.contacts.size());
        const std::size_t half = m_chunk.contacts.size() / 2;
        m_halves[0] = runOn(pool, [this, half] { prepare(0, half); });
        m_halves[1] = runOn(pool, [this, half] { prepare(half, m_chunk.contacts.size()); });
    }
    TPreparedAhead(const TPreparedAhead &) = delete;
    TPreparedAhead &operator=(const TPreparedAhead &) = delete;
    ~TPreparedAhead()
    {
        // The halves use the chunk until they are done.
        for (std::future<void> &half : m_halves)
            if (half.valid())
                half.wait();
    }

    const TPreparedChunk &chunk()
    {
        for (std::future<void> &half : m_halves)
            if (half.valid())
                half.get();
        return m_chunk;
    }

private:
    void prepare(std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i)
            m_chunk.prepared[i] =
                TProfile::PrepareFields(m_chunk.contacts[i].name, m_chunk.contacts[i].fields);
    }

    TPreparedChunk m_chunk;
    std::array<std::future<void>, 2> m_halves;
};

} // namespace

TContactImport::TContactImport(TProfile &profile, TClashQuestion &question,
                               TImportProgress *progress)
    : m_profile(profile), m_question(question), m_progress(progress)
{}

TImportResult TContactImport::Run(qsizetype count,
                                  const std::function<TImportedContact(qsizetype)> &contactAt)
{
    TImportResult result;
    const TProfile::ContactReadScope reads(m_profile);
    // A contact written over goes to the trash as it was before the import first touched it.
    TTrashBatch batch(m_profile);
    QStringList added;
    // Case folded: the names this import added or kept, so that a contact it writes twice goes
    // to the trash once, as it was before. Made at the first clash: an import into an empty
    // profile needs none.
    std::optional<QSet<QString>> touched;

    // Two threads kept for the whole import: a chunk is small, and a thread made for each
    // would cost more than its work.
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    std::unique_ptr<TPreparedAhead> ahead;
    if (count > 0)
        ahead = std::make_unique<TPreparedAhead>(pool, 0, count, contactAt);
    for (qsizetype first = 0; first < count; first += kPreparedAhead) {
        const std::unique_ptr<TPreparedAhead> current = std::move(ahead);
        const TPreparedChunk &chunk = current->chunk();
        if (first + kPreparedAhead < count)
            ahead =
                std::make_unique<TPreparedAhead>(pool, first + kPreparedAhead, count, contactAt);
        for (std::size_t j = 0; j < chunk.contacts.size(); ++j) {
            const qsizetype i = first + qsizetype(j);
            if (m_progress && i % kProgressStep == 0 && !m_progress->Advance(i, count)) {
                result.cancelled = true;
                result.added = 0;
                return result; // the batch goes unwritten
            }
            const TImportedContact &contact = chunk.contacts[j];
            if (contact.name.isEmpty())
                continue;
            if (!TProfile::IsStorableContactName(contact.name)) {
                result.unstorable.append(i);
                continue;
            }
            const QString name = ResolveExistingName(contact.name);
            if (name.isEmpty())
                continue;
            if (!m_profile.ContactExists(name)) {
                added.append(name);
                if (touched)
                    touched->insert(name.toCaseFolded());
            } else {
                if (!touched) {
                    touched.emplace();
                    for (const QString &earlier : std::as_const(added))
                        touched->insert(earlier.toCaseFolded());
                }
                if (const QString folded = name.toCaseFolded(); !touched->contains(folded)) {
                    touched->insert(folded);
                    batch.Keep(name, TTrashReason::OverwrittenByImport);
                }
            }
            if (name == contact.name && !dependsOnExisting(m_profile, name, contact))
                m_profile.WriteFields(chunk.prepared[j]); // its fields as they came
            else
                m_profile.WriteFields(name, fieldsUnder(name, contact));
            ++result.added;
        }
    }
    if (m_progress && !m_progress->Advance(count, count)) {
        result.cancelled = true;
        result.added = 0;
        return result;
    }
    batch.commit();
    UndoHistory().Record(m_profile, TUndoRecord::Import(result.added, batch.Trashed(), added));
    return result;
}

QList<std::pair<QString, QString>> TContactImport::fieldsUnder(const QString &name,
                                                               const TImportedContact &contact)
{
    QList<std::pair<QString, QString>> fields = contact.fields;
    // A renamed contact is called by its new name in its own name field too.
    if (name != contact.name)
        for (auto &[key, value] : fields)
            if (key.compare(contactNameKey, Qt::CaseInsensitive) == 0)
                value = name;
    if (!contact.clearedKeys.isEmpty() && m_profile.ContactExists(name))
        for (const QString &key : contact.clearedKeys)
            fields.append({key, QString()});
    for (const QString &key : contact.mergedKeys) {
        const QString existing = m_profile.ReadField(name, key);
        if (!existing.isEmpty())
            mergeField(fields, key, existing, contact.merge);
    }
    return fields;
}

QString TContactImport::ResolveExistingName(const QString &name)
{
    if (name.isEmpty() || !m_profile.ContactExists(name))
        return name;
    if (!m_allRemaining) {
        const TClashAnswer answer = m_question.Ask(name);
        if (answer.allRemaining)
            m_allRemaining = answer.action;
        return answer.name;
    }
    switch (*m_allRemaining) {
    case TClashAction::Overwrite:
        return name;
    case TClashAction::Skip:
        return QString();
    case TClashAction::Rename:
        break;
    }
    return freeName(name);
}

QString TContactImport::freeName(const QString &name)
{
    qsizetype &next = m_nextNumber[name.toCaseFolded()];
    next = qMax<qsizetype>(next, 1);
    while (m_profile.ContactExists(numbered(name, next)))
        ++next;
    return numbered(name, next);
}

QString TContactImport::FirstFreeName(const TProfile &profile, const QString &name)
{
    return FirstFreeName([&profile](const QString &n) { return profile.ContactExists(n); }, name);
}

QString TContactImport::FirstFreeName(const std::function<bool(const QString &)> &taken,
                                      const QString &name)
{
    qsizetype number = 1;
    while (taken(numbered(name, number)))
        ++number;
    return numbered(name, number);
}
