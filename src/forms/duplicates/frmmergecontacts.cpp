#include "forms/duplicates/frmmergecontacts.h"

#include "app/untcommon.h"
#include "forms/main/programfont.h"
#include "platform/calbreyerror.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// How each key is called where people read it.
QString fieldCaption(const QString &key)
{
    static const QHash<QString, QString> captions = {
        {QStringLiteral("aContactCat"), QStringLiteral("Category")},
        {QStringLiteral("pRealName"), QStringLiteral("Real name")},
        {QStringLiteral("pNickName"), QStringLiteral("Nickname")},
        {QStringLiteral("pEmailAddress"), QStringLiteral("E-mail")},
        {QStringLiteral("pHomePage"), QStringLiteral("Home page")},
        {QStringLiteral("pMobile"), QStringLiteral("Mobile")},
        {QStringLiteral("pIcq"), QStringLiteral("ICQ")},
        {QStringLiteral("hCitg"), QStringLiteral("Home city")},
        {QStringLiteral("hZipCode"), QStringLiteral("Home ZIP code")},
        {QStringLiteral("hCountry"), QStringLiteral("Home country")},
        {QStringLiteral("hState"), QStringLiteral("Home state")},
        {QStringLiteral("hPhone"), QStringLiteral("Home phone")},
        {QStringLiteral("hPhoneExt"), QStringLiteral("Home phone ext.")},
        {QStringLiteral("hFax"), QStringLiteral("Home fax")},
        {QStringLiteral("hPager"), QStringLiteral("Home pager")},
        {QStringLiteral("hWebSite"), QStringLiteral("Home web site")},
        {QStringLiteral("wCompany"), QStringLiteral("Company")},
        {QStringLiteral("wCity"), QStringLiteral("Work city")},
        {QStringLiteral("wZipCode"), QStringLiteral("Work ZIP code")},
        {QStringLiteral("wCountry"), QStringLiteral("Work country")},
        {QStringLiteral("wState"), QStringLiteral("Work state")},
        {QStringLiteral("wPhoneNumber"), QStringLiteral("Work phone")},
        {QStringLiteral("wPhoneExt"), QStringLiteral("Work phone ext.")},
        {QStringLiteral("wFax"), QStringLiteral("Work fax")},
        {QStringLiteral("wPager"), QStringLiteral("Work pager")},
        {QStringLiteral("wWebSite"), QStringLiteral("Work web site")},
        {QStringLiteral("hEmail"), QStringLiteral("Home e-mail")},
        {QStringLiteral("wEmail"), QStringLiteral("Work e-mail")},
        {QStringLiteral("aIcon"), QStringLiteral("Picture")},
        {QStringLiteral("aNotes"), QStringLiteral("Notes")},
        {QStringLiteral("hAddress"), QStringLiteral("Home address")},
        {QStringLiteral("wAddress"), QStringLiteral("Work address")},
        {QStringLiteral("pOtherEmail"), QStringLiteral("Other e-mail addresses")},
        {QStringLiteral("xVCardExtra"), QStringLiteral("Other card details")},
    };
    return captions.value(key, key);
}

// A stored value as the user reads it: the lists and multi-line fields one item a line.
QString shownValue(const QString &stored)
{
    QString shown = stored;
    return shown.replace(QLatin1Char('|'), QLatin1Char('\n'));
}

QLabel *valueLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(shownValue(text), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

TMergeContacts::TMergeContacts(const QStringList &names, QWidget *parent)
    : QDialog(parent), m_merge(*ActiveProfile, names)
{
    setObjectName(QStringLiteral("MergeContacts"));
    setWindowTitle(QStringLiteral("Merge Contacts"));
    setFont(ProgramFont(8));

    auto *keepBox = new QGroupBox(QStringLiteral("Keep the name of"), this);
    auto *keepRow = new QHBoxLayout(keepBox);
    m_keep = new QButtonGroup(this);
    for (int i = 0; i < names.size(); ++i) {
        // The first nine get a digit as their mnemonic.
        const QString caption =
            i < 9 ? QStringLiteral("&%1 ").arg(i + 1) +
                        QString(names[i]).replace(QLatin1Char('&'), QStringLiteral("&&"))
                  : QString(names[i]).replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto *keep = new QRadioButton(caption, keepBox);
        keep->setObjectName(QStringLiteral("rbKeep%1").arg(i));
        m_keep->addButton(keep, i);
        keepRow->addWidget(keep);
    }
    keepRow->addStretch(1);
    m_keep->button(0)->setChecked(true);
    connect(m_keep, &QButtonGroup::idClicked, this, &TMergeContacts::KeepContact);

    m_fieldsArea = new QScrollArea(this);
    m_fieldsArea->setObjectName(QStringLiteral("saFields"));
    m_fieldsArea->setWidgetResizable(true);

    auto *note = new QLabel(QStringLiteral("The other contacts go to the trash; Undo brings "
                                           "them back as they were."),
                            this);
    note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *mergeButton =
        buttons->addButton(QStringLiteral("&Merge"), QDialogButtonBox::AcceptRole);
    mergeButton->setObjectName(QStringLiteral("btnMerge"));
    mergeButton->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(mergeButton, &QPushButton::clicked, this, &TMergeContacts::btnMergeClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(keepBox);
    layout->addWidget(m_fieldsArea, 1);
    layout->addWidget(note);
    layout->addWidget(buttons);
    resize(qMin(260 + 200 * int(names.size()), 1100), 520);
    fillFields();
}

void TMergeContacts::fillFields()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageFields"));
    auto *grid = new QGridLayout(page);
    grid->setHorizontalSpacing(16);
    const int mergedColumn = int(m_merge.Names().size()) + 1;
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < m_merge.Names().size(); ++i) {
        auto *header = new QLabel(m_merge.Names()[i], page);
        header->setFont(bold);
        header->setTextFormat(Qt::PlainText);
        grid->addWidget(header, 0, i + 1);
    }
    auto *mergedHeader = new QLabel(QStringLiteral("Merged contact"), page);
    mergedHeader->setFont(bold);
    grid->addWidget(mergedHeader, 0, mergedColumn);

    int row = 1;
    for (const TMergeField &field : m_merge.Fields()) {
        const bool empty = std::all_of(field.values.begin(), field.values.end(),
                                       [](const QString &value) { return value.isEmpty(); });
        if (empty || field.rule == TMergeRule::Name)
            continue;
        auto *caption = new QLabel(fieldCaption(field.key), page);
        grid->addWidget(caption, row, 0, Qt::AlignTop);
        auto *choice = field.rule == TMergeRule::Choice ? new QButtonGroup(page) : nullptr;
        for (int i = 0; i < field.values.size(); ++i) {
            if (choice && !field.values[i].isEmpty()) {
                auto *pick = new QRadioButton(shownValue(field.values[i]), page);
                pick->setObjectName(QStringLiteral("rb_%1_%2").arg(field.key).arg(i));
                pick->setChecked(field.chosen == i);
                choice->addButton(pick, i);
                grid->addWidget(pick, row, i + 1, Qt::AlignTop);
            } else {
                QLabel *value = valueLabel(field.values[i], page);
                value->setEnabled(false); // nothing to choose here
                grid->addWidget(value, row, i + 1);
            }
        }
        if (choice) {
            const QString key = field.key;
            connect(choice, &QButtonGroup::idClicked, this,
                    [this, key](int contact) { ChooseValue(key, contact); });
        }
        QLabel *merged = valueLabel(m_merge.MergedValue(field.key), page);
        merged->setObjectName(QStringLiteral("lblMerged_") + field.key);
        grid->addWidget(merged, row, mergedColumn);
        ++row;
    }
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(mergedColumn, 1);
    delete m_fieldsArea->takeWidget();
    m_fieldsArea->setWidget(page);
}

void TMergeContacts::showMerged()
{
    for (const TMergeField &field : m_merge.Fields()) {
        if (auto *merged = m_fieldsArea->widget()->findChild<QLabel *>(
                QStringLiteral("lblMerged_") + field.key))
            merged->setText(shownValue(m_merge.MergedValue(field.key)));
    }
}

void TMergeContacts::KeepContact(int contact)
{
    m_merge.SetKept(contact);
    if (QAbstractButton *keep = m_keep->button(contact))
        keep->setChecked(true);
    fillFields();
}

void TMergeContacts::ChooseValue(const QString &key, int contact)
{
    m_merge.Choose(key, contact);
    if (auto *pick = m_fieldsArea->widget()->findChild<QRadioButton *>(
            QStringLiteral("rb_%1_%2").arg(key).arg(contact)))
        pick->setChecked(true);
    showMerged();
}

void TMergeContacts::btnMergeClick()
{
    if (!ActiveProfile)
        return;
    try {
        WriteMerge(*ActiveProfile, m_merge);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
        return;
    }
    accept();
}
