#include "forms/dialogs/frmchangeprofile.h"

#include "app/untactive.h"
#include "app/untcommon.h"
#include "forms/dialogs/frmnewprofile.h"
#include "forms/main/programfont.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "ui_frmchangeprofile.h"

#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {

constexpr int RowHeight = 18;
const QString selectCaption = QStringLiteral("Select profile.");

// Rows of one fixed height, their text drawn as the system draws list text.
class ProfileRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
    }
};

void inform(const QString &text, const QString &caption)
{
    ShowMessageBox(text, caption, MessageBoxFlag::Information);
}

QString activeProfileName()
{
    return ActiveProfile ? ActiveProfile->GetProfileInfo(2) : QString();
}

} // namespace

TChangeProfile::TChangeProfile(QWidget *parent, std::function<void()> clearContactList)
    : QDialog(parent), ui(std::make_unique<Ui::TChangeProfile>()),
      m_clearContactList(std::move(clearContactList))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    setFixedSize(424, 355);
    ui->lbProfileList->setItemDelegate(new ProfileRowDelegate(ui->lbProfileList));
    ui->lbProfileList->viewport()->installEventFilter(this);
    connect(ui->Button1, &QPushButton::clicked, this, &TChangeProfile::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TChangeProfile::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TChangeProfile::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &QDialog::reject);

    ui->lbActiveProfile->setText(activeProfileName());
    fillProfileList();
}

TChangeProfile::~TChangeProfile() = default;

void TChangeProfile::fillProfileList()
{
    QStringList names;
    ListProfiles(names);
    ui->lbProfileList->clear();
    ui->lbProfileList->addItems(names);
}

std::optional<QString> TChangeProfile::selectedProfile() const
{
    const QListWidgetItem *item = ui->lbProfileList->currentItem();
    if (!item || !item->isSelected())
        return std::nullopt;
    return item->text();
}

void TChangeProfile::selectProfile(const QString &name)
{
    QListWidget *list = ui->lbProfileList;
    QListWidgetItem *match = nullptr;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        if (item->text() == name) {
            match = item;
            break;
        }
        if (!match && item->text().compare(name, Qt::CaseInsensitive) == 0)
            match = item;
    }
    list->setCurrentItem(match);
    if (!match)
        list->clearSelection();
}

void TChangeProfile::Button1Click()
{
    TCreateNewProfile dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.NewProfileName();
    // The empty name is the profiles folder itself. A name that differs from a listed one
    // only in letter case is that profile on Windows, and a confusing twin anywhere else.
    const bool taken = name.isEmpty() || ProfileExists(name) ||
                       !ui->lbProfileList->findItems(name, Qt::MatchFixedString).isEmpty();
    if (taken) {
        inform(QStringLiteral("The profile name you specified already exists, so it will not be "
                              "created."),
               QStringLiteral("Profile already exists."));
    } else {
        CreateProfile(name);
        fillProfileList();
    }
    selectProfile(name);
}

void TChangeProfile::Button2Click()
{
    const std::optional<QString> name = selectedProfile();
    if (!name) {
        inform(QStringLiteral("Please select a profile to delete."), selectCaption);
        return;
    }
    if (*name == activeProfileName() || *name == QLatin1String("(Default)")) {
        inform(QStringLiteral("You cannot delete the Active or the (Default) profile."),
               QStringLiteral("Cannot delete this profile."));
        return;
    }
    DeleteProfile(*name);
    fillProfileList();
}

void TChangeProfile::Button3Click()
{
    const std::optional<QString> name = selectedProfile();
    if (!name) {
        inform(QStringLiteral("Please select a profile first."), selectCaption);
        return;
    }
    if (ActiveProfile && *name == activeProfileName()) {
        inform(QStringLiteral("This profile is already active.  Please select another profile to "
                              "activate and try again.!"),
               QStringLiteral("Profile already active."));
        return;
    }
    // The list must not show the closing profile's contacts while the new one opens.
    if (m_clearContactList)
        m_clearContactList();
    if (ChangeActiveProfile(*name)) {
        accept();
        return;
    }
    // The profile active before is open again (or none, when even that failed).
    ui->lbActiveProfile->setText(activeProfileName());
    inform(QStringLiteral("Quenlark Calbrey has problems changing the active profile.  It is "
                          "reccormended that you restart Quenlark Calbrey."),
           QStringLiteral("Problems."));
}

bool TChangeProfile::eventFilter(QObject *watched, QEvent *event)
{
    // A double-click anywhere in the list, on a row or below the last one, is OK.
    if (watched == ui->lbProfileList->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Button3Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TChangeProfile::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}
