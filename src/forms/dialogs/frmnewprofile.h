#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TCreateNewProfile;
}

/// Asks for the name of a new profile; the profile manager creates it.
class TCreateNewProfile : public QDialog
{
    Q_OBJECT

public:
    explicit TCreateNewProfile(QWidget *parent = nullptr);
    ~TCreateNewProfile() override;

    /// The name exactly as typed.
    QString NewProfileName() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TCreateNewProfile> ui;
};
