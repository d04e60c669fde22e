#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

/// How the search bar compares a find text with contact names.
struct ContactNameSearch
{
    /// Off: the letters A to Z match a to z. No other letter is folded, so "É" and "é" stay
    /// apart, as they always have in this program's searches.
    bool matchCase = false;
    /// On: the whole name must equal the find text; off: the find text may occur anywhere in it.
    bool exactMatch = false;
};

/// text with the letters A to Z turned into a to z and every other character as it is.
QString LowerAtoZ(QStringView text);

/// The names of source that match findText, in source order and in their own case. A find text
/// of blanks is searched like any other; the empty one matches every name unless exactMatch.
QStringList SearchContactNames(const QStringList &source, const QString &findText,
                               ContactNameSearch how);

/// The rule of SearchContactNames for one name at a time.
class ContactNameMatcher
{
public:
    ContactNameMatcher(const QString &findText, ContactNameSearch how);
    bool operator()(const QString &name) const;

private:
    QString m_needle; // lowered unless matchCase
    ContactNameSearch m_how;
    mutable QString m_hay; // one buffer for every name of a search
};

class TContactSearchIndex;

/// The search with "Any field" checked: the names of source that match findText by the rule of
/// SearchContactNames, or whose contact holds every word of findText in one of its fields (see
/// TContactSearchIndex). Match case and Exact match keep their meaning for the name: while
/// either is set, the forgiving part looks in the other fields only.
QStringList SearchContactsAnyField(const QStringList &source, const QString &findText,
                                   ContactNameSearch how, const TContactSearchIndex &index);
