#pragma once

#include "profiles/contactmerge.h"

#include <QDialog>

class QButtonGroup;
class QScrollArea;

/// The modal merge dialog: the contacts of a group side by side, field by field, with the
/// merged contact in the last column. The user picks whose name is kept (every choice then
/// starts from that contact's values) and, where a field differs, which value the merged
/// contact takes. "Merge" writes it (WriteMerge); a failed write is shown and the dialog stays.
class TMergeContacts : public QDialog
{
    Q_OBJECT

public:
    TMergeContacts(const QStringList &names, QWidget *parent = nullptr);

    TContactMerge &Merge() { return m_merge; }
    /// The contacts the merge removed (once accepted).
    QStringList RemovedContacts() const { return m_merge.Removed(); }

    /// The merged contact keeps contact's name.
    void KeepContact(int contact);
    /// Where key differs, the merged contact takes contact's value.
    void ChooseValue(const QString &key, int contact);
    /// Merge: writes it and closes, or shows why it could not.
    void btnMergeClick();

private:
    void fillFields();
    void showMerged();

    TContactMerge m_merge;
    QButtonGroup *m_keep;
    QScrollArea *m_fieldsArea;
};
