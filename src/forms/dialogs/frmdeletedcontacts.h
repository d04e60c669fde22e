#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class TDeletedContacts;
}
class TDeletedContactsModel;

/// "Deleted Contacts": the active profile's trash, newest first, with a search box. Restore
/// brings the chosen entries back into the book in one batch (a name taken meanwhile goes
/// through the existing-contact dialog); Delete for Good and Empty Trash ask first.
class TDeletedContacts : public QDialog
{
    Q_OBJECT

public:
    explicit TDeletedContacts(QWidget *parent = nullptr);
    ~TDeletedContacts() override;

    void btnRestoreClick();
    void btnDeleteForGoodClick();
    void btnEmptyTrashClick();

    /// A contact came back into the book while the window was open.
    bool ContactsRestored() const { return m_restored; }
    TDeletedContactsModel &Model() const { return *m_model; }

private:
    /// The ids of the chosen rows.
    QStringList selectedIds() const;
    int firstSelectedRow() const;
    void reload();
    void updateControls();
    void setStatus(const QString &text);

    std::unique_ptr<Ui::TDeletedContacts> ui;
    TDeletedContactsModel *m_model;
    bool m_restored = false;
    QString m_lastAction; // told in the status line until the next change
};
