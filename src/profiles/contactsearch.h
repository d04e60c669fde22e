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
