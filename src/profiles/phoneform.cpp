#include "profiles/phoneform.h"

#include <QLocale>
#include <QStringList>
#include <phonenumbers/phonenumberutil.h>
#include <set>
#include <string>

namespace {
using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr qsizetype ComparedDigits = 7;
} // namespace

QString TPhoneForm::key() const
{
    if (!e164.isEmpty())
        return e164;
    return digits.size() > ComparedDigits ? digits.right(ComparedDigits) : digits;
}

QString DefaultPhoneRegion()
{
    const QLocale::Territory territory = QLocale::system().territory();
    const QString code = territory == QLocale::AnyTerritory || territory == QLocale::World
                             ? QString()
                             : QLocale::territoryToCode(territory);
    return code.size() == 2 ? code : QStringLiteral("US");
}

TPhoneForm MakePhoneForm(QStringView number, const QString &region)
{
    TPhoneForm form;
    for (const QChar c : number) {
        if (c.isDigit())
            form.digits.append(QChar(u'0' + c.digitValue()));
    }
    if (form.digits.isEmpty())
        return form;
    const PhoneNumberUtil &util = *PhoneNumberUtil::GetInstance();
    const std::string regionCode =
        (region.isEmpty() ? DefaultPhoneRegion() : region).toUpper().toStdString();
    PhoneNumber parsed;
    if (util.Parse(number.toString().toStdString(), regionCode, &parsed) !=
            PhoneNumberUtil::NO_PARSING_ERROR ||
        !util.IsPossibleNumber(parsed))
        return form;
    std::string e164;
    util.Format(parsed, PhoneNumberUtil::E164, &e164);
    form.e164 = QString::fromStdString(e164);
    return form;
}

bool SamePhoneNumber(const TPhoneForm &a, const TPhoneForm &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (!a.e164.isEmpty() && !b.e164.isEmpty())
        return a.e164 == b.e164;
    if (a.digits.size() >= ComparedDigits && b.digits.size() >= ComparedDigits)
        return a.digits.right(ComparedDigits) == b.digits.right(ComparedDigits);
    return a.digits == b.digits;
}

QStringList PhoneRegions()
{
    std::set<std::string> regions;
    PhoneNumberUtil::GetInstance()->GetSupportedRegions(&regions);
    QStringList codes;
    for (const std::string &region : regions)
        codes.append(QString::fromStdString(region));
    return codes;
}
