#pragma once

#include "profiles/trash.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class TClashQuestion;
class TImportProgress;
class TProfile;

/// What undoing the last action that took contacts out of book.db needs.
struct TUndoRecord
{
    /// The action as the Undo command names it: "Delete of Ann Lee".
    QString action;
    /// The trash entries the action made: undoing brings them back.
    QStringList trashed;
    /// The contacts the action added: undoing moves them to the trash (reason undoneReason).
    QStringList added;
    /// A contact brought back whose name is taken meanwhile goes through the clash question;
    /// otherwise what stands under the name is what the action wrote, and it goes to the trash
    /// (reason undoneReason) to make room.
    bool askOnClash = true;
    TTrashReason undoneReason = TTrashReason::ImportUndone;

    /// A delete: the contact comes back.
    static TUndoRecord Delete(const QString &name, const QStringList &trashed);
    /// An import of count contacts: the contacts it wrote over come back as they were, and the
    /// ones it added go to the trash, so nothing is lost either way.
    static TUndoRecord Import(int count, const QStringList &trashed, const QStringList &added);
};

/// The last action of each profile that took contacts, kept in memory while the program runs.
class TUndoHistory : public QObject
{
    Q_OBJECT

public:
    /// The action replaces the profile's earlier one; a record with nothing to undo is none.
    void Record(const TProfile &profile, const TUndoRecord &record);
    void Forget(const TProfile &profile);
    std::optional<TUndoRecord> Last(const TProfile &profile) const;

    /// Undoes the profile's last action in one batch and forgets it; the names of the contacts
    /// brought back. progress (may be null) may cancel: nothing is undone then, and the action
    /// stays. Throws CalbreyError when a file cannot be written: nothing is undone then
    /// either, and the action can be undone later.
    QStringList Undo(TProfile &profile, TClashQuestion &question,
                     TImportProgress *progress = nullptr);
    /// Tells whoever shows the last action that another profile is the active one.
    void ActiveProfileChanged() { emit Changed(); }

signals:
    /// The last action of a profile, or the active profile, changed.
    void Changed();

private:
    QHash<QString, TUndoRecord> m_last; // by profile folder
};

/// The program's one history.
TUndoHistory &UndoHistory();
