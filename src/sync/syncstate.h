#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class IniFile;

/// What the last sync left of one contact: its card's place and ETag on the server, the digest
/// of the contact as it was then (ContactDigest), and the card itself, the base a merge
/// compares both sides with.
struct TSyncRecord
{
    QString uid;
    QString href;
    QString etag;
    QString digest;
    QByteArray card;
    bool operator==(const TSyncRecord &) const = default;
};

/// The sync's memory of a profile: sync.db in the profile folder, INI text through the INI
/// layer (atomic replace; "Unable to write to" and the path when it cannot be written, the
/// file then as it was). One section per contact (named by a digest of its UID, which may hold
/// any character) and one for the address book: its URL, sync-token and CTag. Written only
/// after the server confirmed what it records.
class TSyncState
{
public:
    explicit TSyncState(const QString &path);
    ~TSyncState();
    TSyncState(const TSyncState &) = delete;
    TSyncState &operator=(const TSyncState &) = delete;

    const QString &Path() const;

    /// The records, by UID. Empty when the file was made for another address book than
    /// bookUrl: that book's state says nothing about this one.
    QHash<QString, TSyncRecord> Records(const QString &bookUrl) const;
    QString BookUrl() const;
    QString SyncToken() const;
    QString CTag() const;

    /// One step's changes in one replacement of the file: the records put (replacing those of
    /// their UIDs), the UIDs forgotten, and, when not null, the new sync-token. A file made for
    /// another address book is started afresh.
    void Save(const QString &bookUrl, const QList<TSyncRecord> &put, const QStringList &forget,
              const QString &syncToken = QString(), const QString &ctag = QString());
    /// Forgets everything (the link was undone).
    void Clear();

private:
    std::unique_ptr<IniFile> m_file;
};
