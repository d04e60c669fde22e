#include "forms/duplicates/frmduplicates.h"

#include "app/untcommon.h"
#include "forms/duplicates/frmmergecontacts.h"
#include "forms/main/programfont.h"
#include "import/importprogress.h"
#include "platform/calbreyerror.h"
#include "profiles/notduplicates.h"
#include "profiles/phoneform.h"
#include "profiles/untprofiles.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int GroupRole = Qt::UserRole;
} // namespace

TFindDuplicates::TFindDuplicates(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDuplicates"));
    setWindowTitle(QStringLiteral("Find Duplicates"));
    setFont(ProgramFont(8));

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);

    lvGroups = new QTreeWidget(this);
    lvGroups->setObjectName(QStringLiteral("lvGroups"));
    lvGroups->setColumnCount(2);
    lvGroups->setHeaderLabels({QStringLiteral("Contacts"), QStringLiteral("Why")});
    lvGroups->setRootIsDecorated(true);
    lvGroups->setUniformRowHeights(true);
    lvGroups->header()->setStretchLastSection(true);
    lvGroups->setColumnWidth(0, 200);
    lblSummary->setBuddy(lvGroups);

    btnMerge = new QPushButton(QStringLiteral("&Merge..."), this);
    btnMerge->setObjectName(QStringLiteral("btnMerge"));
    btnMerge->setDefault(true);
    btnNotDuplicates = new QPushButton(QStringLiteral("&Not duplicates"), this);
    btnNotDuplicates->setObjectName(QStringLiteral("btnNotDuplicates"));
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnMerge);
    buttons->addWidget(btnNotDuplicates);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(lvGroups, 1);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(btnMerge, &QPushButton::clicked, this, &TFindDuplicates::btnMergeClick);
    connect(btnNotDuplicates, &QPushButton::clicked, this, &TFindDuplicates::btnNotDuplicatesClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lvGroups, &QTreeWidget::itemActivated, this, &TFindDuplicates::btnMergeClick);
    connect(lvGroups, &QTreeWidget::currentItemChanged, this, [this] {
        const bool chosen = SelectedGroup() >= 0;
        btnMerge->setEnabled(chosen);
        btnNotDuplicates->setEnabled(chosen);
    });
    fillList();
}

bool TFindDuplicates::FindGroups()
{
    if (!ActiveProfile)
        return false;
    const QString region =
        ActiveProfile->PhoneRegion.isEmpty() ? DefaultPhoneRegion() : ActiveProfile->PhoneRegion;
    QSet<QString> ruledOut;
    try {
        ruledOut = TNotDuplicates(*ActiveProfile).Pairs();
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    TImportProgressDialog progress(parentWidget() ? parentWidget() : this);
    progress.Dialog().setObjectName(QStringLiteral("dlgDuplicatesProgress"));
    progress.Dialog().setWindowTitle(QStringLiteral("Find Duplicates"));
    progress.Dialog().setLabelText(QStringLiteral("Looking for duplicates..."));
    bool stopped = false;
    m_groups = FindDuplicatesInProfile(*ActiveProfile, region, ruledOut,
                                       [&](qsizetype done, qsizetype total) {
                                           stopped = !progress.Advance(done, total);
                                           return !stopped;
                                       });
    fillList();
    return !stopped;
}

QTreeWidgetItem *TFindDuplicates::contactRow(const QString &name) const
{
    // What tells the contacts of a group apart at a glance.
    QStringList facts;
    const QStringList values =
        ActiveProfile
            ? ActiveProfile->ReadFields(name, {QStringLiteral("pEmailAddress"),
                                               QStringLiteral("pMobile"), QStringLiteral("hPhone"),
                                               QStringLiteral("wCompany"), QStringLiteral("hCitg")})
            : QStringList();
    for (const QString &value : values) {
        if (!value.trimmed().isEmpty())
            facts.append(value.trimmed());
    }
    return new QTreeWidgetItem(QStringList{name, facts.join(QStringLiteral(", "))});
}

void TFindDuplicates::fillList()
{
    lvGroups->clear();
    const std::optional<TProfile::ContactReadScope> scope =
        ActiveProfile ? std::make_optional<TProfile::ContactReadScope>(*ActiveProfile)
                      : std::nullopt;
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < m_groups.size(); ++i) {
        const TDuplicateGroup &group = m_groups[i];
        auto *row =
            new QTreeWidgetItem(QStringList{QStringLiteral("%1 contacts").arg(group.names.size()),
                                            group.reasons.join(QStringLiteral("; "))});
        row->setData(0, GroupRole, i);
        row->setToolTip(1, row->text(1));
        for (const QString &name : group.names) {
            QTreeWidgetItem *contact = contactRow(name);
            contact->setData(0, GroupRole, i);
            row->addChild(contact);
        }
        rows.append(row);
    }
    lvGroups->addTopLevelItems(rows);
    lvGroups->expandAll();
    lblSummary->setText(m_groups.isEmpty()
                            ? QStringLiteral("No &groups of contacts that may be one person.")
                            : QStringLiteral("&Groups of contacts that may be one person, the "
                                             "likeliest first: %1")
                                  .arg(m_groups.size()));
    if (!rows.isEmpty())
        lvGroups->setCurrentItem(rows.first());
    btnMerge->setEnabled(!rows.isEmpty());
    btnNotDuplicates->setEnabled(!rows.isEmpty());
}

int TFindDuplicates::SelectedGroup() const
{
    const QTreeWidgetItem *current = lvGroups->currentItem();
    return current ? current->data(0, GroupRole).toInt() : -1;
}

void TFindDuplicates::SelectGroup(int group)
{
    if (QTreeWidgetItem *row = lvGroups->topLevelItem(group))
        lvGroups->setCurrentItem(row);
}

void TFindDuplicates::dropGroup(int group, const QStringList &removed)
{
    m_groups.removeAt(group);
    for (qsizetype i = m_groups.size() - 1; i >= 0; --i) {
        for (const QString &name : removed)
            m_groups[i].names.removeAll(name);
        if (m_groups[i].names.size() < 2)
            m_groups.removeAt(i);
    }
    fillList();
    SelectGroup(qMin(group, int(m_groups.size()) - 1));
}

void TFindDuplicates::btnMergeClick()
{
    const int group = SelectedGroup();
    if (group < 0 || !ActiveProfile)
        return;
    TMergeContacts merge(m_groups[group].names, this);
    if (merge.exec() != QDialog::Accepted)
        return;
    m_bookChanged = true;
    dropGroup(group, merge.RemovedContacts());
}

void TFindDuplicates::btnNotDuplicatesClick()
{
    const int group = SelectedGroup();
    if (group < 0 || !ActiveProfile)
        return;
    try {
        TNotDuplicates(*ActiveProfile).Remember(m_groups[group].names);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
        return;
    }
    dropGroup(group, {});
}
