#include "forms/dialogs/phoneregionoption.h"

#include "profiles/phoneform.h"
#include "profiles/untprofiles.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <algorithm>

namespace {
QString countryName(const QString &code)
{
    const QLocale::Territory territory = QLocale::codeToTerritory(code);
    return territory == QLocale::AnyTerritory ? code : QLocale::territoryToString(territory);
}
} // namespace

TPhoneRegionOption::TPhoneRegionOption(QVBoxLayout &page, int index, QWidget *parent)
    : QObject(parent)
{
    auto *group = new QGroupBox(QStringLiteral("Phone numbers"), parent);
    group->setObjectName(QStringLiteral("grpPhoneNumbers"));
    auto *row = new QHBoxLayout(group);
    auto *label = new QLabel(QStringLiteral("Numbers without a country code are &from:"), group);
    cbPhoneRegion = new QComboBox(group);
    cbPhoneRegion->setObjectName(QStringLiteral("cbPhoneRegion"));
    label->setBuddy(cbPhoneRegion);
    row->addWidget(label);
    row->addWidget(cbPhoneRegion, 1);

    cbPhoneRegion->addItem(
        QStringLiteral("This computer's country (%1)").arg(countryName(DefaultPhoneRegion())),
        QString());
    QList<std::pair<QString, QString>> regions;
    for (const QString &code : PhoneRegions())
        regions.append({countryName(code), code});
    std::sort(regions.begin(), regions.end());
    for (const auto &[name, code] : regions)
        cbPhoneRegion->addItem(name + QStringLiteral(" (") + code + QLatin1Char(')'), code);
    page.insertWidget(index, group);
}

void TPhoneRegionOption::Load(const TProfile &profile)
{
    const int found = cbPhoneRegion->findData(profile.PhoneRegion.toUpper());
    cbPhoneRegion->setCurrentIndex(qMax(0, found));
}

void TPhoneRegionOption::Store(TProfile &profile) const
{
    profile.PhoneRegion = cbPhoneRegion->currentData().toString();
}
