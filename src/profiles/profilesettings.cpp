#include "profiles/untprofiles.h"

#include "platform/inifile.h"
#include "profiles/inivalue.h"

#include <array>

namespace {

const QString configSection = QStringLiteral("Config");

struct BoolSetting
{
    QString key;
    bool TProfile::*member;
    bool defaultValue;
};

// The order in which they are read and written.
const std::array<BoolSetting, 8> boolSettings = {{
    {QStringLiteral("Validate Emails"), &TProfile::ValidateEmails, false},
    {QStringLiteral("Validate Urls"), &TProfile::ValidateUrls, true},
    {QStringLiteral("Display Tips"), &TProfile::DisplayTips, true},
    {QStringLiteral("Display Search Bar"), &TProfile::DisplaySearchBar, false},
    {QStringLiteral("Load on startup"), &TProfile::LoadOnStartup, false},
    {QStringLiteral("Full Display"), &TProfile::FullDisplay, false},
    {QStringLiteral("Use custom email client"), &TProfile::UseCustomEmailClient, false},
    {QStringLiteral("Use custom web browser"), &TProfile::UseCustomWebBrowser, false},
}};

struct TextSetting
{
    QString key;
    QString TProfile::*member;
};

const std::array<TextSetting, 2> textSettings = {{
    {QStringLiteral("Custom web browser"), &TProfile::CustomWebBrowser},
    {QStringLiteral("Custom email client"), &TProfile::CustomEmailClient},
}};

// Days a deleted contact is kept: our own key, which the original program never reads.
const QString keepDeletedKey = QStringLiteral("Keep deleted contacts");
constexpr int defaultKeepDeletedDays = 30;
constexpr int maxKeepDeletedDays = 36500;

} // namespace

void TProfile::LoadSettings()
{
    for (const BoolSetting &setting : boolSettings) {
        const std::optional<QString> stored = m_settings->value(configSection, setting.key);
        const std::optional<int> number = stored ? ParseIniInteger(*stored) : std::nullopt;
        this->*setting.member = number ? *number != 0 : setting.defaultValue;
    }
    for (const TextSetting &setting : textSettings)
        this->*setting.member = m_settings->value(configSection, setting.key).value_or(QString());
    const std::optional<QString> keep = m_settings->value(configSection, keepDeletedKey);
    const std::optional<int> days = keep ? ParseIniInteger(*keep) : std::nullopt;
    KeepDeletedDays = days && *days >= 0 ? qMin(*days, maxKeepDeletedDays) : defaultKeepDeletedDays;
}

void TProfile::SaveSettings()
{
    IniFile::Batch batch(*m_settings);
    for (const BoolSetting &setting : boolSettings)
        m_settings->writeString(configSection, setting.key,
                                this->*setting.member ? QStringLiteral("1") : QStringLiteral("0"));
    for (const TextSetting &setting : textSettings)
        m_settings->writeString(configSection, setting.key,
                                QuoteIniValue(SingleLineIniValue(this->*setting.member)));
    m_settings->writeString(configSection, keepDeletedKey, QString::number(KeepDeletedDays));
    batch.commit();
}

namespace {
const QString csvColumnsSection = QStringLiteral("CSV Columns");
} // namespace

QList<std::pair<QString, QString>> TProfile::ReadCsvColumnChoices() const
{
    QList<std::pair<QString, QString>> choices;
    const QStringList keys = m_settings->keyNames(csvColumnsSection);
    const std::vector<std::optional<QString>> values = m_settings->values(csvColumnsSection, keys);
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (values[std::size_t(i)] && !values[std::size_t(i)]->isEmpty())
            choices.append({TextFromIniKey(keys[i]), *values[std::size_t(i)]});
    return choices;
}

void TProfile::WriteCsvColumnChoices(const QList<std::pair<QString, QString>> &choices)
{
    IniFile::Batch batch(*m_settings);
    for (const auto &[header, key] : choices) {
        if (key.isEmpty())
            m_settings->deleteKey(csvColumnsSection, IniKeyFromText(header));
        else
            m_settings->writeString(csvColumnsSection, IniKeyFromText(header), QuoteIniValue(key));
    }
    batch.commit();
}
