#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class IniFile;
class TProfile;

/// The pairs of contacts the user said are not one person, so the duplicate finder never
/// shows them together again. Kept per profile in a small INI file of our own beside book.db
/// (notduplicates.db), never in book.db itself. Names are compared as book.db compares
/// section names: without regard to case.
class TNotDuplicates
{
public:
    explicit TNotDuplicates(const TProfile &profile);
    ~TNotDuplicates();
    TNotDuplicates(const TNotDuplicates &) = delete;
    TNotDuplicates &operator=(const TNotDuplicates &) = delete;

    static QString FileName() { return QStringLiteral("notduplicates.db"); }

    /// Every pair remembered, as PairKey gives them.
    QSet<QString> Pairs() const;
    /// The key of the pair a, b, the same whichever comes first.
    static QString PairKey(const QString &a, const QString &b);
    /// Remembers every pair among names, with one replacement of the file. Throws
    /// CalbreyError("Unable to write to " + path) when that fails; the file is then as it was.
    void Remember(const QStringList &names);

private:
    std::unique_ptr<IniFile> m_file;
};
