#include "forms/dialogs/frmoptions.h"

#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/main/programfont.h"
#include "net/unit_proxy.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "ui_frmoptions.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <array>
#include <optional>

const QString TOptions::ExamplesText =
    QStringLiteral("Examples of custom web browser/e-mail client:\n"
                   "(Note: the quotes (\") are part of the example)\n"
                   "\n"
                   "\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\\\" \"*\"\n"
                   "\"C:\\Program Files\\Netscape\\Program\\Netscape.exe\" \"*\"\n"
                   "\"C:\\ProgramFiles\\Outlook Express\\msimn.exe\" \"/mailurl:*\"");

namespace {
constexpr std::array BoolSettings = {
    &TProfile::ValidateEmails,       &TProfile::ValidateUrls,        &TProfile::DisplayTips,
    &TProfile::DisplaySearchBar,     &TProfile::LoadOnStartup,       &TProfile::FullDisplay,
    &TProfile::UseCustomEmailClient, &TProfile::UseCustomWebBrowser,
};
constexpr std::array TextSettings = {&TProfile::CustomEmailClient, &TProfile::CustomWebBrowser};

// The eleven settings as they stand, to put back when OK fails.
class SettingsSnapshot
{
public:
    explicit SettingsSnapshot(const TProfile &profile)
    {
        for (std::size_t i = 0; i < BoolSettings.size(); ++i)
            m_bools[i] = profile.*BoolSettings[i];
        for (std::size_t i = 0; i < TextSettings.size(); ++i)
            m_texts[i] = profile.*TextSettings[i];
        m_keepDeletedDays = profile.KeepDeletedDays;
    }
    void restore(TProfile &profile) const
    {
        for (std::size_t i = 0; i < BoolSettings.size(); ++i)
            profile.*BoolSettings[i] = m_bools[i];
        for (std::size_t i = 0; i < TextSettings.size(); ++i)
            profile.*TextSettings[i] = m_texts[i];
        profile.KeepDeletedDays = m_keepDeletedDays;
    }

private:
    std::array<bool, BoolSettings.size()> m_bools{};
    std::array<QString, TextSettings.size()> m_texts;
    int m_keepDeletedDays = 0;
};
} // namespace

TOptions::TOptions(QWidget *parent) : TOptions(parent, QSystemTrayIcon::isSystemTrayAvailable()) {}

TOptions::TOptions(QWidget *parent, bool desktopHasTray)
    : QDialog(parent), ui(std::make_unique<Ui::TOptions>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    ui->imgAppIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    ui->Pages->setCurrentWidget(ui->tab0);
    // Without a notification area the tray setting still matters: it decides the
    // start-at-login entry.
    ui->lblNoTray->setVisible(!desktopHasTray);

    connect(ui->sbOpen1, &QToolButton::clicked, this, &TOptions::sbOpen1Click);
    connect(ui->sbOpen2, &QToolButton::clicked, this, &TOptions::sbOpen2Click);
    connect(ui->QuenlarkURL1, &TQuenlarkURL::clicked, this, &TOptions::QuenlarkURL1Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TOptions::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
    FitDialogToDesign(*this, QSize(407, 239));
}

TOptions::~TOptions() = default;

void TOptions::FormCreate()
{
    ui->ProgramPages->setCurrentWidget(ui->TabSheet4);
    QImage glyph;
    LoadResourceBitmap(QStringLiteral("QUICK_BMP_OPEN"), glyph);
    const QIcon open(QPixmap::fromImage(glyph));
    ui->sbOpen1->setIcon(open);
    ui->sbOpen2->setIcon(open);

    ui->mpoSimple->setChecked(true);
    ui->pEmail->setChecked(true);
    ui->pWebBrowser->setChecked(true);

    if (const TProfile *profile = ActiveProfile) {
        ui->mpoTips->setChecked(profile->DisplayTips);
        ui->mpoSearchBar->setChecked(profile->DisplaySearchBar);
        // Selecting one of a pair deselects its partner; not selecting it keeps the default.
        if (profile->FullDisplay)
            ui->mpoDetails->setChecked(true);
        ui->mpoTray->setChecked(profile->LoadOnStartup);
        ui->ncValidUrls->setChecked(profile->ValidateUrls);
        ui->ncValidEmails->setChecked(profile->ValidateEmails);
        if (profile->UseCustomEmailClient)
            ui->pCEmail->setChecked(true);
        if (profile->UseCustomWebBrowser)
            ui->pCWebBrowser->setChecked(true);
        ui->pEmailPath->setText(profile->CustomEmailClient);
        ui->pWebBrowserPath->setText(profile->CustomWebBrowser);
        ui->sbKeepDeletedDays->setValue(profile->KeepDeletedDays);
    }

    // A proxy that cannot be read leaves both boxes empty; the dialog opens all the same.
    try {
        QString server;
        int port = 0;
        ReadProxySettings(server, port);
        ui->iServer->setText(server);
        ui->iPort->setText(QString::number(port));
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
}

void TOptions::sbOpen1Click()
{
    const QString program =
        FileDialogs::GetProgramFileName(this, QStringLiteral("Please specify an e-mail client:"));
    if (!program.isEmpty())
        ui->pEmailPath->setText(program + QStringLiteral(" mailto:*"));
}

void TOptions::sbOpen2Click()
{
    const QString program =
        FileDialogs::GetProgramFileName(this, QStringLiteral("Please specify a web browser:"));
    if (!program.isEmpty())
        ui->pWebBrowserPath->setText(program + QStringLiteral(" *"));
}

void TOptions::QuenlarkURL1Click()
{
    ShowMessageBox(ExamplesText, QStringLiteral("Examples:"), MessageBoxFlag::Information);
}

void TOptions::copyToSettings() const
{
    TProfile &profile = *ActiveProfile;
    profile.DisplayTips = ui->mpoTips->isChecked();
    profile.DisplaySearchBar = ui->mpoSearchBar->isChecked();
    profile.FullDisplay = ui->mpoDetails->isChecked();
    profile.LoadOnStartup = ui->mpoTray->isChecked();
    profile.ValidateUrls = ui->ncValidUrls->isChecked();
    profile.ValidateEmails = ui->ncValidEmails->isChecked();
    profile.UseCustomEmailClient = ui->pCEmail->isChecked();
    profile.UseCustomWebBrowser = ui->pCWebBrowser->isChecked();
    profile.CustomEmailClient = ui->pEmailPath->text();
    profile.CustomWebBrowser = ui->pWebBrowserPath->text();
    profile.KeepDeletedDays = ui->sbKeepDeletedDays->value();
}

void TOptions::Button1Click()
{
    std::optional<SettingsSnapshot> before;
    try {
        if (ActiveProfile) {
            before.emplace(*ActiveProfile);
            copyToSettings();
        }
        StoreProxyFromText(ui->iServer->text(), ui->iPort->text());
        if (ActiveProfile)
            ActiveProfile->SaveSettings();
    } catch (const CalbreyError &error) {
        // Nothing of this OK is kept in memory: a Cancel now must leave the profile as the
        // dialog found it.
        if (before && ActiveProfile)
            before->restore(*ActiveProfile);
        ShowGeneralError(error.message());
        return;
    }
    accept();
}
