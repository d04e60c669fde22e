#pragma once

#include "vcard/vcardfile.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TVCardExport;
}

/// "Export vCard File": which contacts to export (all of them, or the contact selected in the
/// main window when there is one) and the vCard version to write.
class TVCardExport : public QDialog
{
    Q_OBJECT

public:
    /// selectedContact: the main window's selected contact, or nothing when no row is.
    TVCardExport(QWidget *parent, const std::optional<QString> &selectedContact);
    ~TVCardExport() override;

    /// Only the selected contact is to be exported.
    bool SelectedOnly() const;
    TVCardVersion Version() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TVCardExport> ui;
};
