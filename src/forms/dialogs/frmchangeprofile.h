#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TChangeProfile;
}

/// The profile manager: lists the profiles and activates, creates or deletes them. Its opener
/// brings the main window into line with the active profile after it closes, however it
/// closes.
class TChangeProfile : public QDialog
{
    Q_OBJECT

public:
    /// clearContactList empties the main window's list before the active profile is closed.
    explicit TChangeProfile(QWidget *parent = nullptr,
                            std::function<void()> clearContactList = nullptr);
    ~TChangeProfile() override;

    /// New profile.
    void Button1Click();
    /// Delete profile.
    void Button2Click();
    /// Activate the selected profile (also a double-click in the list).
    void Button3Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillProfileList();
    std::optional<QString> selectedProfile() const;
    /// Selects the row of name (letter case aside), or none.
    void selectProfile(const QString &name);

    std::unique_ptr<Ui::TChangeProfile> ui;
    std::function<void()> m_clearContactList;
};
