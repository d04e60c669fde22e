#include "net/unit_proxy.h"

#include "app/untcommon.h"
#include "platform/calbreyerror.h"
#include "platform/registry.h"

namespace {
const QString ProxyKey = QStringLiteral("Software\\Quenlark\\Common\\Proxy Settings");
const QString ServerValue = QStringLiteral("Proxy Server");
const QString PortValue = QStringLiteral("Proxy Port");
constexpr int HighestPort = 65535;

// Opens the key and makes sure both values exist, so the first use on a computer leaves the
// key complete with its defaults.
class ProxyKeyOpened
{
public:
    ProxyKeyOpened() : m_key(ProxyKey, MachineSettingsFile())
    {
        if (m_key.value(ServerValue).type == MachineKey::Value::Missing)
            m_key.setText(ServerValue, QString());
        if (m_key.value(PortValue).type == MachineKey::Value::Missing)
            m_key.setInteger(PortValue, 0);
        m_key.flush();
    }
    MachineKey &key() { return m_key; }

private:
    MachineKey m_key;
};

[[noreturn]] void invalidType(const QString &name)
{
    throw CalbreyError(QStringLiteral("Invalid data type for '") + name + QLatin1Char('\''));
}
} // namespace

void ReadProxySettings(QString &server, int &port)
{
    ProxyKeyOpened opened;
    const MachineKey::Value storedServer = opened.key().value(ServerValue);
    if (storedServer.type != MachineKey::Value::Text)
        invalidType(ServerValue);
    const MachineKey::Value storedPort = opened.key().value(PortValue);
    if (storedPort.type != MachineKey::Value::Integer)
        invalidType(PortValue);
    server = storedServer.text;
    port = static_cast<int>(storedPort.number);
}

void WriteProxySettings(const QString &server, int port)
{
    ProxyKeyOpened opened;
    opened.key().setText(ServerValue, server);
    opened.key().setInteger(PortValue, static_cast<quint32>(port));
    opened.key().flush();
}

std::optional<int> ParseProxyPort(const QString &text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok, 10);
    if (!ok || port < 0 || port > HighestPort)
        return std::nullopt;
    return port;
}

void StoreProxyFromText(const QString &server, const QString &portText)
{
    if (const std::optional<int> port = ParseProxyPort(portText)) {
        try {
            WriteProxySettings(server, *port);
            return;
        } catch (const CalbreyError &) {
            // Cleared below; if that fails too, its error is the one reported.
        }
    }
    WriteProxySettings(QString(), 0);
}
