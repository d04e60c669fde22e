#pragma once

// Several contacts that are one person made into one, field by field: where they agree there
// is nothing to choose; where one field differs the user picks (by default the value of the
// contact kept, whose name the merged contact keeps); other e-mail addresses are united
// without repeats (with the addresses not picked for the three e-mail fields), notes are
// joined with a line break between, and the properties no field holds (xVCardExtra) are
// united.

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class TProfile;

/// How the merged value of a field is made.
enum class TMergeRule
{
    Agreed,      // one value (or none) among the contacts
    Choice,      // values differ: the one of the chosen contact
    Name,        // the contact kept gives it
    OtherEmails, // united
    Notes,       // joined
    Extras,      // united
};

struct TMergeField
{
    QString key;
    TMergeRule rule = TMergeRule::Agreed;
    QStringList values; // each contact's, as book.db stores it, in the order of the contacts
    int chosen = 0;     // Choice: whose value the merged contact takes
};

class TContactMerge
{
public:
    /// The keys a merge reads and writes: the contact fields and xVCardExtra, in that order.
    static const QStringList &Keys();

    /// Reads the named contacts (at least two) of profile; the first is kept.
    TContactMerge(const TProfile &profile, const QStringList &names);
    /// The same of contacts given as their values of Keys(), one list per contact.
    TContactMerge(const QStringList &names, const QList<QStringList> &values);

    const QStringList &Names() const { return m_names; }
    int Kept() const { return m_kept; }
    QString KeptName() const { return m_names.value(m_kept); }
    /// The merged contact keeps this contact's name; every choice goes back to its default.
    void SetKept(int contact);
    /// The contacts that go when the merge is written.
    QStringList Removed() const;

    const QList<TMergeField> &Fields() const { return m_fields; }
    /// For a Choice field: the merged contact takes contact's value.
    void Choose(const QString &key, int contact);

    /// The merged value of key, as book.db stores it.
    QString MergedValue(const QString &key) const;
    /// Every key of Keys() with its merged value.
    QList<std::pair<QString, QString>> Merged() const;

private:
    void classify();
    const TMergeField *field(const QString &key) const;
    QString otherEmails() const;

    QStringList m_names;
    QList<TMergeField> m_fields;
    int m_kept = 0;
};

/// Writes the merge as one action: the contact kept as it was and the others go to the trash
/// ("merged into" the name kept), the contact kept gets the merged values, and the merge becomes
/// the profile's last action, whose undo brings every contact back as it was. Throws
/// CalbreyError("Unable to write to " + path) when that fails; book.db and the trash are then as
/// they were.
void WriteMerge(TProfile &profile, const TContactMerge &merge);
