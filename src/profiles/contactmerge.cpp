#include "profiles/contactmerge.h"

#include "platform/calbreyerror.h"
#include "profiles/contactfields.h"
#include "profiles/normalform.h"
#include "profiles/trashbatch.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"

#include <QSet>

namespace {

const QString nameKey = QStringLiteral("aContactName");
const QString otherEmailKey = QStringLiteral("pOtherEmail");
const QString notesKey = QStringLiteral("aNotes");
const QString extrasKey = QStringLiteral("xVCardExtra");
const QStringList emailKeys = {QStringLiteral("pEmailAddress"), QStringLiteral("hEmail"),
                               QStringLiteral("wEmail")};

QStringList distinctNonEmpty(const QStringList &values)
{
    QStringList distinct;
    for (const QString &value : values) {
        if (!value.isEmpty() && !distinct.contains(value))
            distinct.append(value);
    }
    return distinct;
}

// The "|"-separated pieces of each value, kept's first, each once.
QStringList unitedPieces(const QStringList &values, int kept, bool byEmail)
{
    QStringList ordered{values.value(kept)};
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i != kept)
            ordered.append(values[i]);
    }
    QStringList pieces;
    QSet<QString> seen;
    for (const QString &value : std::as_const(ordered)) {
        for (const QString &piece : value.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            const QString seenAs = byEmail ? NormalForm::Email(piece) : piece;
            if (seenAs.isEmpty() || seen.contains(seenAs))
                continue;
            seen.insert(seenAs);
            pieces.append(byEmail ? piece.trimmed() : piece);
        }
    }
    return pieces;
}

} // namespace

const QStringList &TContactMerge::Keys()
{
    static const QStringList keys = [] {
        QStringList made;
        for (const ContactField &field : ContactFields)
            made.append(field.key);
        made.append(extrasKey);
        return made;
    }();
    return keys;
}

TContactMerge::TContactMerge(const TProfile &profile, const QStringList &names) : m_names(names)
{
    QList<QStringList> values;
    {
        const TProfile::ContactReadScope scope(profile);
        for (const QString &name : names)
            values.append(profile.ReadFields(name, Keys()));
    }
    for (const QString &key : Keys())
        m_fields.append({key, TMergeRule::Agreed, {}, 0});
    for (const QStringList &contact : std::as_const(values)) {
        for (qsizetype k = 0; k < m_fields.size(); ++k)
            m_fields[k].values.append(contact.value(k));
    }
    classify();
}

TContactMerge::TContactMerge(const QStringList &names, const QList<QStringList> &values)
    : m_names(names)
{
    for (const QString &key : Keys())
        m_fields.append({key, TMergeRule::Agreed, {}, 0});
    for (const QStringList &contact : values) {
        for (qsizetype k = 0; k < m_fields.size(); ++k)
            m_fields[k].values.append(contact.value(k));
    }
    classify();
}

void TContactMerge::classify()
{
    for (TMergeField &field : m_fields) {
        if (field.key == nameKey)
            field.rule = TMergeRule::Name;
        else if (field.key == otherEmailKey)
            field.rule = TMergeRule::OtherEmails;
        else if (field.key == notesKey)
            field.rule = TMergeRule::Notes;
        else if (field.key == extrasKey)
            field.rule = TMergeRule::Extras;
        else
            field.rule =
                distinctNonEmpty(field.values).size() > 1 ? TMergeRule::Choice : TMergeRule::Agreed;
        // The contact kept gives the value, unless it has none.
        field.chosen = m_kept;
        if (field.values.value(m_kept).isEmpty()) {
            const auto filled = std::find_if(field.values.begin(), field.values.end(),
                                             [](const QString &value) { return !value.isEmpty(); });
            if (filled != field.values.end())
                field.chosen = int(filled - field.values.begin());
        }
    }
}

void TContactMerge::SetKept(int contact)
{
    if (contact < 0 || contact >= m_names.size())
        return;
    m_kept = contact;
    classify();
}

QStringList TContactMerge::Removed() const
{
    QStringList removed = m_names;
    removed.removeAt(m_kept);
    return removed;
}

void TContactMerge::Choose(const QString &key, int contact)
{
    for (TMergeField &field : m_fields) {
        if (field.key == key && field.rule == TMergeRule::Choice && contact >= 0 &&
            contact < field.values.size())
            field.chosen = contact;
    }
}

const TMergeField *TContactMerge::field(const QString &key) const
{
    for (const TMergeField &each : m_fields) {
        if (each.key == key)
            return &each;
    }
    return nullptr;
}

QString TContactMerge::otherEmails() const
{
    // The addresses of the e-mail fields that were not picked are kept here, not lost.
    QStringList values = field(otherEmailKey)->values;
    QSet<QString> picked;
    for (const QString &key : emailKeys)
        picked.insert(NormalForm::Email(MergedValue(key)));
    for (const QString &key : emailKeys) {
        const TMergeField *email = field(key);
        for (qsizetype i = 0; i < email->values.size(); ++i)
            values[i] += QLatin1Char('|') + email->values[i];
    }
    QStringList others;
    for (const QString &address : unitedPieces(values, m_kept, true)) {
        if (!picked.contains(NormalForm::Email(address)))
            others.append(address);
    }
    return others.join(QLatin1Char('|'));
}

QString TContactMerge::MergedValue(const QString &key) const
{
    const TMergeField *merged = field(key);
    if (!merged)
        return {};
    switch (merged->rule) {
    case TMergeRule::Name:
        return merged->values.value(m_kept);
    case TMergeRule::Agreed:
    case TMergeRule::Choice:
        return merged->values.value(merged->chosen);
    case TMergeRule::OtherEmails:
        return otherEmails();
    case TMergeRule::Notes: {
        // Notes that say the same are kept once; the contact kept's come first.
        QStringList notes{merged->values.value(m_kept)};
        for (qsizetype i = 0; i < merged->values.size(); ++i) {
            if (i != m_kept)
                notes.append(merged->values[i]);
        }
        return distinctNonEmpty(notes).join(QLatin1Char('|'));
    }
    case TMergeRule::Extras:
        return unitedPieces(merged->values, m_kept, false).join(QLatin1Char('|'));
    }
    return {};
}

QList<std::pair<QString, QString>> TContactMerge::Merged() const
{
    QList<std::pair<QString, QString>> merged;
    for (const QString &key : Keys())
        merged.append({key, MergedValue(key)});
    return merged;
}

void WriteMerge(TProfile &profile, const TContactMerge &merge)
{
    for (const QString &name : merge.Names()) {
        if (!TProfile::IsStorableContactName(name))
            throw CalbreyError(QStringLiteral("Unable to write to ") + profile.GetProfileInfo(0));
    }
    const QString kept = merge.KeptName();
    TTrashBatch batch(profile);
    // The contact kept as it was goes to the trash too, so that an undo puts it back.
    batch.Keep(kept, TTrashReason::MergedInto, kept);
    for (const auto &[key, value] : merge.Merged()) {
        // A key the contact kept holds as merged stays as it is, byte for byte.
        if (profile.ReadField(kept, key) != value)
            profile.WriteField(kept, key, value);
    }
    for (const QString &name : merge.Removed())
        batch.Take(name, TTrashReason::MergedInto, kept);
    batch.commit();
    // Undone, the contact kept comes back as it was in place of the merged one.
    UndoHistory().Record(profile, {QStringLiteral("Merge into ") + kept,
                                   batch.Trashed(),
                                   {},
                                   false,
                                   TTrashReason::ReplacedByRestore});
}
