#include "cli/contactkeys.h"

#include "profiles/contactfields.h"

const QList<ContactKeyName> &ContactKeyNames()
{
    static const QList<ContactKeyName> names = {
        {QLatin1String("name"), QLatin1String("aContactName"), QLatin1String("Name")},
        {QLatin1String("category"), QLatin1String("aContactCat"), QLatin1String("Category")},
        {QLatin1String("real-name"), QLatin1String("pRealName"), QLatin1String("Real name")},
        {QLatin1String("nickname"), QLatin1String("pNickName"), QLatin1String("Nick name")},
        {QLatin1String("email"), QLatin1String("pEmailAddress"), QLatin1String("E-mail")},
        {QLatin1String("other-email"), QLatin1String("pOtherEmail"), QLatin1String("Other e-mail")},
        {QLatin1String("homepage"), QLatin1String("pHomePage"), QLatin1String("Home page")},
        {QLatin1String("mobile"), QLatin1String("pMobile"), QLatin1String("Mobile")},
        {QLatin1String("icq"), QLatin1String("pIcq"), QLatin1String("ICQ")},
        {QLatin1String("picture"), QLatin1String("aIcon"), QLatin1String("Picture")},
        {QLatin1String("home-email"), QLatin1String("hEmail"), QLatin1String("Home e-mail")},
        {QLatin1String("home-address"), QLatin1String("hAddress"), QLatin1String("Home address")},
        {QLatin1String("home-city"), QLatin1String("hCitg"), QLatin1String("Home city")},
        {QLatin1String("home-zip"), QLatin1String("hZipCode"), QLatin1String("Home postal code")},
        {QLatin1String("home-state"), QLatin1String("hState"), QLatin1String("Home state")},
        {QLatin1String("home-country"), QLatin1String("hCountry"), QLatin1String("Home country")},
        {QLatin1String("home-phone"), QLatin1String("hPhone"), QLatin1String("Home phone")},
        {QLatin1String("home-ext"), QLatin1String("hPhoneExt"), QLatin1String("Home extension")},
        {QLatin1String("home-fax"), QLatin1String("hFax"), QLatin1String("Home fax")},
        {QLatin1String("home-pager"), QLatin1String("hPager"), QLatin1String("Home pager")},
        {QLatin1String("home-web"), QLatin1String("hWebSite"), QLatin1String("Home web site")},
        {QLatin1String("company"), QLatin1String("wCompany"), QLatin1String("Company")},
        {QLatin1String("work-email"), QLatin1String("wEmail"), QLatin1String("Work e-mail")},
        {QLatin1String("work-address"), QLatin1String("wAddress"), QLatin1String("Work address")},
        {QLatin1String("work-city"), QLatin1String("wCity"), QLatin1String("Work city")},
        {QLatin1String("work-zip"), QLatin1String("wZipCode"), QLatin1String("Work postal code")},
        {QLatin1String("work-state"), QLatin1String("wState"), QLatin1String("Work state")},
        {QLatin1String("work-country"), QLatin1String("wCountry"), QLatin1String("Work country")},
        {QLatin1String("work-phone"), QLatin1String("wPhoneNumber"), QLatin1String("Work phone")},
        {QLatin1String("work-ext"), QLatin1String("wPhoneExt"), QLatin1String("Work extension")},
        {QLatin1String("work-fax"), QLatin1String("wFax"), QLatin1String("Work fax")},
        {QLatin1String("work-pager"), QLatin1String("wPager"), QLatin1String("Work pager")},
        {QLatin1String("work-web"), QLatin1String("wWebSite"), QLatin1String("Work web site")},
        {QLatin1String("notes"), QLatin1String("aNotes"), QLatin1String("Notes")},
    };
    return names;
}

const ContactField *FindContactKey(const QString &name)
{
    for (const ContactKeyName &known : ContactKeyNames()) {
        if (name.compare(known.alias, Qt::CaseInsensitive) == 0)
            return FindContactField(QString(known.key));
    }
    return FindContactField(name);
}
