#pragma once

#include "csvexport/csvexport.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class TCsvExport;
}

/// "Export CSV File": which contacts to export (all of them, or the contact selected in the
/// main window when there is one) and whose column set to write: Outlook's, which Excel opens
/// too, or Google Contacts'.
class TCsvExport : public QDialog
{
    Q_OBJECT

public:
    /// selectedContact: the main window's selected contact, or nothing when no row is.
    TCsvExport(QWidget *parent, const std::optional<QString> &selectedContact);
    ~TCsvExport() override;

    /// Only the selected contact is to be exported.
    bool SelectedOnly() const;
    TCsvLayout Layout() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TCsvExport> ui;
};
