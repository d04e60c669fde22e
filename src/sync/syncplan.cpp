#include "sync/syncplan.h"

#include "import/contactimport.h"
#include "profiles/normalform.h"
#include "profiles/phoneform.h"
#include "profiles/untprofiles.h"
#include "sync/cardmerge.h"

#include <QSet>
#include <algorithm>

namespace {

constexpr qsizetype kNone = -1;

// The keys a contact is paired by, strongest first: its e-mail addresses (not a shared
// mailbox's), its phone numbers, its name's words.
QStringList pairingKeys(const TSyncContact &contact, const QString &phoneRegion)
{
    const QStringList &keys = SyncContactKeys();
    const auto value = [&](const char *key) {
        return contact.values.value(keys.indexOf(key));
    };
    QStringList result;
    QStringList emails = {value("pEmailAddress"), value("hEmail"), value("wEmail")};
    emails += value("pOtherEmail").split(u'|', Qt::SkipEmptyParts);
    for (const QString &email : std::as_const(emails)) {
        const QString normal = NormalForm::Email(email);
        if (!normal.isEmpty() && !NormalForm::IsRoleAddress(normal))
            result.append(QStringLiteral("e ") + normal);
    }
    for (const char *key : {"pMobile", "hPhone", "wPhoneNumber"}) {
        const TPhoneForm phone = MakePhoneForm(value(key), phoneRegion);
        if (!phone.e164.isEmpty() || phone.digits.size() >= 7)
            result.append(QStringLiteral("p ") + phone.key());
    }
    const QString name = NormalForm::NameKey(contact.name);
    if (!name.isEmpty())
        result.append(QStringLiteral("n ") + name);
    return result;
}

// A name book.db can hold, as close to the card's as it gets.
QString storableName(QString name)
{
    name.replace(u'\r', u' ').replace(u'\n', u' ').replace(u']', u')');
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Unnamed") : name;
}

class TPlanner
{
public:
    TPlanner(const TSyncPlanInput &input, const std::function<QString()> &newUid)
        : m_in(input), m_newUid(newUid)
    {}

    TSyncPlan run();

private:
    void indexLocal();
    void indexServer();
    void planRecorded(const TSyncRecord &record);
    void planBoth(const QString &uid, qsizetype local, const TSyncContact &base, qsizetype server);
    void planPairs();
    void planNewHere();
    void download(qsizetype server);
    void upload(qsizetype local);
    void nameContacts();

    const TSyncPlanInput &m_in;
    const std::function<QString()> &m_newUid;
    TSyncPlan m_plan;
    QHash<QString, qsizetype> m_localByUid;
    QList<TSyncContact> m_server; // the changed cards read, each with its UID
    QHash<QString, qsizetype> m_serverByUid;
    QSet<QString> m_removedUids;
    QList<bool> m_localDone;
    QList<bool> m_serverDone;
};

void TPlanner::indexLocal()
{
    m_localDone = QList<bool>(m_in.local.size(), false);
    for (qsizetype i = 0; i < m_in.local.size(); ++i) {
        const QString uid = m_in.local[i].Uid();
        // A second contact with the same UID (a card imported twice) gets one of its own.
        if (!uid.isEmpty() && !m_localByUid.contains(uid))
            m_localByUid.insert(uid, i);
    }
}

void TPlanner::indexServer()
{
    QHash<QString, QString> uidByHref;
    for (const TSyncRecord &record : m_in.state)
        uidByHref.insert(record.href, record.uid);
    for (const QString &href : m_in.removedHrefs)
        if (uidByHref.contains(href))
            m_removedUids.insert(uidByHref.value(href));
    m_serverDone = QList<bool>(m_in.changed.size(), false);
    for (qsizetype j = 0; j < m_in.changed.size(); ++j) {
        const TServerCard &card = m_in.changed[j];
        TSyncContact contact = ContactOfCard(card.data);
        // The card at a known place keeps its contact, whatever UID it says now.
        QString uid = uidByHref.value(card.href);
        if (uid.isEmpty())
            uid = contact.Uid();
        if (uid.isEmpty() || m_serverByUid.contains(uid))
            uid = card.href;
        if (contact.values.isEmpty())
            contact.values = QStringList(SyncContactKeys().size());
        contact.SetUid(uid);
        m_server.append(contact);
        m_serverByUid.insert(uid, j);
    }
}

void TPlanner::download(qsizetype server)
{
    const TServerCard &card = m_in.changed[server];
    TSyncAction action;
    action.kind = TSyncActionKind::Download;
    action.uid = m_server[server].Uid();
    action.contact = m_server[server];
    action.href = card.href;
    action.etag = card.etag;
    action.serverCard = card.data;
    action.writeHere = true;
    m_serverDone[server] = true;
    m_plan.actions.append(action);
}

void TPlanner::upload(qsizetype local)
{
    TSyncAction action;
    action.kind = TSyncActionKind::Upload;
    action.localName = m_in.local[local].name;
    action.contact = m_in.local[local];
    action.uid = action.contact.Uid();
    if (action.uid.isEmpty() || m_localByUid.value(action.uid, local) != local) {
        action.uid = m_newUid();
        action.contact.SetUid(action.uid);
        action.writeHere = true;
    }
    action.sendThere = true;
    m_localDone[local] = true;
    m_plan.actions.append(action);
}

void TPlanner::planBoth(const QString &uid, qsizetype local, const TSyncContact &base,
                        qsizetype server)
{
    const TSyncContact &here = m_in.local[local];
    const TCardMerge merge = MergeContact(base, here, m_server[server]);
    TSyncAction action;
    action.uid = uid;
    action.localName = here.name;
    action.contact = merge.merged;
    action.href = m_in.changed[server].href;
    action.etag = m_in.changed[server].etag;
    action.serverCard = m_in.changed[server].data;
    action.writeHere = merge.merged != here;
    action.sendThere = merge.merged.values != m_server[server].values;
    action.conflict = !merge.conflicts.isEmpty();
    action.kind =
        action.writeHere || action.sendThere ? TSyncActionKind::Merge : TSyncActionKind::Record;
    m_localDone[local] = true;
    m_serverDone[server] = true;
    m_plan.actions.append(action);
}

void TPlanner::planRecorded(const TSyncRecord &record)
{
    const QString &uid = record.uid;
    const qsizetype local = m_localByUid.value(uid, kNone);
    const qsizetype server = m_serverByUid.value(uid, kNone);
    const bool removedThere = server == kNone && m_removedUids.contains(uid);
    TSyncAction action;
    action.uid = uid;
    action.href = record.href;
    action.etag = record.etag;
    if (local == kNone) {
        if (server != kNone) {
            download(server); // deleted here, changed there: it comes back
            return;
        }
        action.kind = removedThere ? TSyncActionKind::Forget : TSyncActionKind::RemoveThere;
        m_plan.actions.append(action);
        return;
    }
    const TSyncContact &here = m_in.local[local];
    const bool changedHere = ContactDigest(here) != record.digest;
    if (removedThere) {
        if (changedHere) {
            upload(local); // a change beats a deletion
            return;
        }
        m_localDone[local] = true;
        action.kind = TSyncActionKind::RemoveHere;
        action.localName = here.name;
        ++m_plan.removedHere;
        m_plan.actions.append(action);
        return;
    }
    if (server != kNone) {
        if (changedHere) {
            planBoth(uid, local, ContactOfCard(record.card), server);
            return;
        }
        m_localDone[local] = true;
        m_serverDone[server] = true;
        action.localName = here.name;
        action.contact = m_server[server];
        action.href = m_in.changed[server].href;
        action.etag = m_in.changed[server].etag;
        action.serverCard = m_in.changed[server].data;
        action.writeHere = action.contact != here;
        action.kind = action.writeHere ? TSyncActionKind::Replace : TSyncActionKind::Record;
        m_plan.actions.append(action);
        return;
    }
    m_localDone[local] = true;
    if (!changedHere)
        return;
    action.kind = TSyncActionKind::Update;
    action.localName = here.name;
    action.contact = here;
    action.sendThere = true;
    m_plan.actions.append(action);
}

// Contacts never synced that the server holds too: by UID first, then by what shows they are
// one person.
void TPlanner::planPairs()
{
    const TSyncContact none{QString(), QStringList(SyncContactKeys().size())};
    for (qsizetype j = 0; j < m_server.size(); ++j) {
        const qsizetype local = m_localByUid.value(m_server[j].Uid(), kNone);
        if (m_serverDone[j] || local == kNone || m_localDone[local])
            continue;
        planBoth(m_server[j].Uid(), local, none, j);
    }
    QHash<QString, QList<qsizetype>> localByKey;
    for (qsizetype i = 0; i < m_in.local.size(); ++i) {
        if (m_localDone[i])
            continue;
        for (const QString &key : pairingKeys(m_in.local[i], m_in.phoneRegion))
            localByKey[key].append(i);
    }
    for (qsizetype j = 0; j < m_server.size(); ++j) {
        if (m_serverDone[j])
            continue;
        qsizetype partner = kNone;
        for (const QString &key : pairingKeys(m_server[j], m_in.phoneRegion)) {
            for (const qsizetype i : localByKey.value(key))
                if (!m_localDone[i]) {
                    partner = i;
                    break;
                }
            if (partner != kNone)
                break;
        }
        if (partner != kNone)
            planBoth(m_server[j].Uid(), partner, none, j);
        else
            download(j);
    }
}

void TPlanner::planNewHere()
{
    for (qsizetype i = 0; i < m_in.local.size(); ++i)
        if (!m_localDone[i])
            upload(i);
}

// Each contact written here gets a name book.db can hold and no other contact has: the
// card's, or the card's with the first free number after it.
void TPlanner::nameContacts()
{
    QSet<QString> taken;
    for (const TSyncContact &contact : m_in.local)
        taken.insert(contact.name.toCaseFolded());
    const auto isTaken = [&taken](const QString &name) {
        return taken.contains(name.toCaseFolded());
    };
    for (TSyncAction &action : m_plan.actions) {
        if (!action.writeHere || action.kind == TSyncActionKind::Upload)
            continue;
        const QString wanted = storableName(action.contact.name);
        QString name = wanted;
        if (!action.localName.isEmpty() && wanted.toCaseFolded() == action.localName.toCaseFolded())
            name = action.localName; // book.db knows the contact by it
        else if (isTaken(wanted) || wanted != action.contact.name)
            name = TContactImport::FirstFreeName(isTaken, wanted);
        taken.insert(name.toCaseFolded());
        action.contact.name = name;
        if (!action.contact.values.isEmpty())
            action.contact.values[0] = name;
    }
}

TSyncPlan TPlanner::run()
{
    m_plan.localCount = m_in.local.size();
    indexLocal();
    indexServer();
    QList<TSyncRecord> records = m_in.state.values();
    std::sort(records.begin(), records.end(),
              [](const TSyncRecord &a, const TSyncRecord &b) { return a.uid < b.uid; });
    for (const TSyncRecord &record : std::as_const(records))
        planRecorded(record);
    planPairs();
    planNewHere();
    nameContacts();
    return m_plan;
}

} // namespace

TSyncPlan PlanSync(const TSyncPlanInput &input, const std::function<QString()> &newUid)
{
    return TPlanner(input, newUid).run();
}
