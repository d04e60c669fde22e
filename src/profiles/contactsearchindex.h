#pragma once

// The forgiving search: a contact matches when every word of the find text is found, in the
// normal form (NormalForm::Text), in one of its fields; phone numbers are also found by their
// digits however they were written. The index holds every contact's fields in that form, is
// built once per version of book.db and answers a keystroke without reading the file.

#include "platform/iniidentity.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

class TProfile;

namespace ForgivingSearch {

/// The words of a find text in the form they are looked for: normal text, and a word that
/// looks like a piece of a phone number ("555-1234", "(555)") as its digits alone.
QStringList NeedleWords(QStringView findText);
/// The text a contact's fields are searched in: each field in normal form, phone fields also
/// as digits, with a separator no word can hold between them. keys name the fields of values.
QString Haystack(const QStringList &keys, const QStringList &values);
/// Every word is found in haystack; no word matches nothing.
bool Matches(QStringView haystack, const QStringList &words);

} // namespace ForgivingSearch

class TContactSearchIndex
{
public:
    /// Makes the index hold profile's contacts as book.db is now; reads the file only when it
    /// changed (or was replaced, or is another profile's) since the last Update.
    void Update(const TProfile &profile);
    /// Whether Update would read the file again.
    bool NeedsUpdate(const TProfile &profile) const;

    /// The names of source (in its order) whose contacts hold every word of findText in a
    /// field, or that orName accepts; with nameField false the contact's name is left out
    /// (orName then searches it by a rule of its own).
    QStringList Find(const QStringList &source, QStringView findText, bool nameField,
                     const std::function<bool(const QString &)> &orName = {}) const;

    qsizetype size() const { return m_names.size(); }

private:
    /// Which entries hold every word (in their name too when nameField).
    std::vector<bool> matchEntries(const QStringList &words, bool nameField) const;

    // One entry per section of book.db, in file order: its name and, in m_text from
    // m_starts[i], the name's haystack, then from m_restStarts[i] the other fields', in UTF-8
    // (half the bytes of UTF-16 to scan, and a normal form is nearly all ASCII).
    QStringList m_names;
    QHash<QString, qsizetype> m_entryOf; // the first section of a name, as reads find it
    QByteArray m_text;
    std::vector<qsizetype> m_starts;
    std::vector<qsizetype> m_restStarts;

    // The last search's words and what they found, which the next key narrows.
    struct LastSearch
    {
        QStringList words;
        bool nameField = false;
        std::vector<std::size_t> entries;
    };
    mutable LastSearch m_last;

    QString m_path;
    FileIdentity m_identity;
    bool m_trusted = false; // the identity was old enough to tell every later change
};
