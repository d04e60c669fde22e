#include "import/contactimport.h"

#include "profiles/untprofiles.h"

namespace {

// How often the progress is told: often enough for a smooth bar and a quick Cancel.
constexpr qsizetype kProgressStep = 256;

const QString contactNameKey = QStringLiteral("aContactName");

QString numbered(const QString &name, qsizetype number)
{
    return name + QString::number(number);
}

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
    TProfile::ContactBatch batch(m_profile);
    for (qsizetype i = 0; i < count; ++i) {
        if (m_progress && i % kProgressStep == 0 && !m_progress->Advance(i, count)) {
            result.cancelled = true;
            result.added = 0;
            return result; // the batch goes unwritten
        }
        const TImportedContact contact = contactAt(i);
        if (contact.name.isEmpty())
            continue;
        if (!TProfile::IsStorableContactName(contact.name)) {
            result.unstorable.append(i);
            continue;
        }
        const QString name = ResolveExistingName(contact.name);
        if (name.isEmpty())
            continue;
        m_profile.WriteFields(name, fieldsUnder(name, contact));
        ++result.added;
    }
    if (m_progress && !m_progress->Advance(count, count)) {
        result.cancelled = true;
        result.added = 0;
        return result;
    }
    batch.commit();
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
    qsizetype number = 1;
    while (profile.ContactExists(numbered(name, number)))
        ++number;
    return numbered(name, number);
}
