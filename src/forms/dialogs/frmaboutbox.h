#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}

/// The modal about box: icon, name, version, a word of thanks and the maker's links.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    static const QString WebSiteAddress;
    static const QString EmailAddress;

    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    void urlWebSiteClick();
    void urlEmailClick();

private:
    std::unique_ptr<Ui::TAboutBox> ui;
};
