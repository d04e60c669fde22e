#pragma once

#include "import/contactimport.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TContactExists;
}

/// "Contact already exists": what to do with an imported contact whose name is taken. It has
/// no Cancel and no close box, and Escape does not close it: OK is the way out, with one of
/// the three actions always chosen ("Rename contact." when it opens).
class TContactExists : public QDialog
{
    Q_OBJECT

public:
    explicit TContactExists(QWidget *parent = nullptr);
    ~TContactExists() override;

    /// The clashing name, shown in double quotes.
    void SetContactName(const QString &name);
    const QString &ContactName() const { return m_contactName; }
    /// The name to import under for the chosen action: ContactName to overwrite, empty to
    /// skip, ContactName with the first free number appended to rename.
    QString ChosenName() const;
    TClashAction ChosenAction() const;
    /// "Do this for all remaining clashes" is ticked.
    bool ForAllRemaining() const;

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TContactExists> ui;
    QString m_contactName;
};

/// The clash question put through the dialog, owned by parent.
class TContactExistsQuestion : public TClashQuestion
{
public:
    explicit TContactExistsQuestion(QWidget *parent) : m_parent(parent) {}
    TClashAnswer Ask(const QString &name) override;

private:
    QWidget *m_parent;
};
