#pragma once

#include <QDialog>
#include <memory>

/// The paged dialog that adds a contact to the active profile or modifies one.
class TAddModifyUser : public QDialog
{
    Q_OBJECT

public:
    explicit TAddModifyUser(QWidget *parent = nullptr);
    ~TAddModifyUser() override;

    /// modify false: add mode (name ignored); true: modify the existing contact name.
    void PrepareForContact(bool modify, const QString &name);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
