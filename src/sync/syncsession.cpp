#include "sync/syncsession.h"

#include "platform/calbreyerror.h"
#include "profiles/trashbatch.h"
#include "profiles/untprofiles.h"
#include "sync/syncserver.h"
#include "sync/syncstate.h"
#include "vcard/vcardfile.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

namespace {

// Requests the session keeps going at once; the client spreads them over its connections.
constexpr qsizetype kInFlight = 4;
// Confirmed cards remembered in one write of sync.db: an interrupted sync loses at most these,
// and the next one finds them again by their UIDs.
constexpr qsizetype kSaveEvery = 50;
// A round that sent something is followed by one that lists again: its sync-token then covers
// our own writes, and a server that leaves out cards made and deleted since a token cannot
// hide a deletion from the next sync. A card that keeps changing on the server while we send
// ours is left to the next sync.
constexpr int kRounds = 4;

QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The card's file name on the server: its UID where that is a safe name.
QString fileNameFor(const QString &uid)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9._@-]{1,100}$"));
    if (safe.match(uid).hasMatch())
        return uid;
    return QString::fromLatin1(
        QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

QString TSyncSummary::Line() const
{
    return QStringLiteral("uploaded %1, downloaded %2, deleted here %3, deleted there %4, "
                          "merged %5, conflicts %6")
        .arg(uploaded)
        .arg(downloaded)
        .arg(deletedHere)
        .arg(deletedThere)
        .arg(merged)
        .arg(conflicts);
}

QString SyncStatePath(const TProfile &profile)
{
    QString folder = profile.GetProfileInfo(3);
    if (!folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';
    return folder + QStringLiteral("sync.db");
}

struct TSyncSession::Private
{
    Private(TSyncSession &session, TProfile &p, TSyncServer &s, QString url, Options o)
        : q(&session), profile(p), server(s), bookUrl(std::move(url)), options(std::move(o)),
          state(SyncStatePath(p))
    {
        if (!options.newUid)
            options.newUid = newUuid;
    }

    QPointer<TSyncSession> q;
    TProfile &profile;
    TSyncServer &server;
    QString bookUrl;
    Options options;
    TSyncState state;

    bool running = false;
    bool cancelled = false;
    int round = 0;
    TSyncSummary summary;

    // The round's view.
    QHash<QString, TSyncRecord> records;
    QString newToken;
    QStringList removedHrefs;
    // Changed cards whose vCards came with the listing: not fetched again.
    QList<TDavCard> arrived;

    // Sending.
    QList<TSyncAction> sends;
    qsizetype nextSend = 0;
    qsizetype inFlight = 0;
    qsizetype sent = 0;
    QList<TSyncRecord> unsavedPut;
    QStringList unsavedForget;
    bool again = false; // a card changed on the server meanwhile: another round merges it
    QString failure;

    template <class F> auto guarded(F f)
    {
        QPointer<TSyncSession> alive = q;
        return [alive, this, f](const auto &result) {
            if (!alive)
                return;
            try {
                f(result);
            } catch (const CalbreyError &error) {
                finish(TSyncOutcome::Failed, error.message());
            }
        };
    }

    void beginRound();
    void listed(const TDavResult<TDavListing> &result);
    void fetched(const TDavResult<QList<TDavCard>> &result);
    void applyHere(const TSyncPlan &plan);
    void writeContact(const TSyncContact &contact, bool existing);
    TSyncRecord recordOf(const TSyncAction &action, const QString &name, const QString &href,
                         const QString &etag, const QByteArray &card) const;
    void sendNext();
    void send(const TSyncAction &action);
    void sentOne(const TSyncAction &action, TDavStatus status, const QString &message,
                 const TSyncRecord &record);
    void saveConfirmed();
    void endRound();
    void finish(TSyncOutcome outcome, const QString &message = QString());
    void finish(TSyncResult result);
    template <class T> void failed(const TDavResult<T> &answer)
    {
        TSyncResult result;
        result.outcome = TSyncOutcome::Failed;
        result.message = answer.message;
        if (answer.status == TDavStatus::UntrustedCertificate)
            result.untrustedCertificate = answer.certificateSha256;
        finish(result);
    }
    QString nameHere(const TSyncAction &action) const
    {
        return action.writeHere && action.kind != TSyncActionKind::Upload ? action.contact.name
                                                                          : action.localName;
    }
};

void TSyncSession::Private::finish(TSyncOutcome outcome, const QString &message)
{
    TSyncResult result;
    result.outcome = outcome;
    result.message = message;
    finish(result);
}

void TSyncSession::Private::finish(TSyncResult result)
{
    if (!running)
        return;
    running = false;
    // Whatever is still on its way is not waited for; what it did is found by the next sync.
    if (!cancelled && result.outcome != TSyncOutcome::Done) {
        cancelled = true;
        server.Cancel();
    }
    result.summary = summary;
    emit q->Finished(result);
}

void TSyncSession::Private::beginRound()
{
    ++round;
    records = state.Records(bookUrl);
    const QString token = records.isEmpty() ? QString() : state.SyncToken();
    emit q->Progress(TSyncSession::tr("Looking for changes on the server"), 0, 0);
    server.List(token, guarded([this](const TDavResult<TDavListing> &r) { listed(r); }));
}

void TSyncSession::Private::listed(const TDavResult<TDavListing> &result)
{
    if (cancelled)
        return finish(TSyncOutcome::Cancelled);
    if (!result.Ok())
        return failed(result);
    const TDavListing &listing = result.value;
    QHash<QString, QString> etagByHref;
    for (const TSyncRecord &record : std::as_const(records))
        etagByHref.insert(record.href, record.etag);
    QHash<QString, const TDavCard *> came;
    for (const TDavCard &card : listing.cards)
        came.insert(card.ref.href, &card);
    QStringList toFetch;
    QSet<QString> present;
    arrived.clear();
    for (const TDavCardRef &ref : listing.present) {
        present.insert(ref.href);
        const auto known = etagByHref.constFind(ref.href);
        if (known != etagByHref.cend() && !known->isEmpty() && *known == ref.etag)
            continue;
        const TDavCard *card = came.value(ref.href);
        if (card && card->ref.etag == ref.etag)
            arrived.append(*card);
        else
            toFetch.append(ref.href);
    }
    removedHrefs.clear();
    if (listing.full) {
        for (auto it = etagByHref.cbegin(); it != etagByHref.cend(); ++it)
            if (!present.contains(it.key()))
                removedHrefs.append(it.key());
    } else {
        for (const QString &href : listing.removedHrefs)
            if (etagByHref.contains(href) && !present.contains(href))
                removedHrefs.append(href);
    }
    newToken = listing.syncToken;
    if (toFetch.isEmpty()) {
        fetched(TDavResult<QList<TDavCard>>{});
        return;
    }
    emit q->Progress(TSyncSession::tr("Fetching %n card(s)", nullptr, int(toFetch.size())), 0,
                     toFetch.size());
    server.Fetch(toFetch, guarded([this](const TDavResult<QList<TDavCard>> &r) { fetched(r); }));
}

void TSyncSession::Private::fetched(const TDavResult<QList<TDavCard>> &result)
{
    if (cancelled)
        return finish(TSyncOutcome::Cancelled);
    if (!result.Ok())
        return failed(result);
    TSyncPlanInput input;
    input.local = ReadSyncContacts(profile);
    input.state = records;
    for (const QList<TDavCard> &cards : {std::as_const(arrived), result.value})
        for (const TDavCard &card : cards)
            input.changed.append({card.ref.href, card.ref.etag, card.data});
    input.removedHrefs = removedHrefs;
    input.phoneRegion = profile.PhoneRegion;
    const TSyncPlan plan = PlanSync(input, options.newUid);
    if (plan.RemovesTooMany() && !options.force) {
        TSyncResult refused;
        refused.outcome = TSyncOutcome::TooManyRemovals;
        refused.wouldRemove = plan.removedHere;
        refused.contacts = plan.localCount;
        refused.message =
            TSyncSession::tr("The server's address book would remove %1 of your %2 contacts.")
                .arg(plan.removedHere)
                .arg(plan.localCount);
        return finish(refused);
    }
    if (options.dryRun) {
        for (const TSyncAction &action : plan.actions) {
            switch (action.kind) {
            case TSyncActionKind::Upload:
            case TSyncActionKind::Update:
                ++summary.uploaded;
                break;
            case TSyncActionKind::Download:
            case TSyncActionKind::Replace:
                ++summary.downloaded;
                break;
            case TSyncActionKind::RemoveHere:
                ++summary.deletedHere;
                break;
            case TSyncActionKind::RemoveThere:
                ++summary.deletedThere;
                break;
            case TSyncActionKind::Merge:
                ++summary.merged;
                break;
            default:
                break;
            }
            summary.conflicts += action.conflict ? 1 : 0;
        }
        return finish(TSyncOutcome::Done);
    }
    applyHere(plan);
    sends.clear();
    for (const TSyncAction &action : plan.actions)
        if (action.sendThere || action.kind == TSyncActionKind::RemoveThere)
            sends.append(action);
    nextSend = 0;
    sent = 0;
    if (sends.isEmpty())
        return endRound();
    sendNext();
}

void TSyncSession::Private::writeContact(const TSyncContact &contact, bool existing)
{
    const QStringList &keys = SyncContactKeys();
    QList<std::pair<QString, QString>> fields;
    fields.reserve(keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString value = contact.values.value(i);
        // Keys of our own are written to a new contact only when they hold something.
        if (i >= SyncExtraIndex() && value.isEmpty() && !existing)
            continue;
        fields.append({keys[i], value});
    }
    profile.WriteFields(contact.name, fields);
}

TSyncRecord TSyncSession::Private::recordOf(const TSyncAction &action, const QString &name,
                                            const QString &href, const QString &etag,
                                            const QByteArray &card) const
{
    return {action.uid, href, etag, ContactDigest(ReadSyncContact(profile, name)), card};
}

// Every change here of the step in one write of book.db and the trash, then what needs no
// answer from the server remembered.
void TSyncSession::Private::applyHere(const TSyncPlan &plan)
{
    bool changedHere = false;
    {
        TTrashBatch batch(profile);
        for (const TSyncAction &action : plan.actions) {
            const bool renamed =
                action.writeHere && action.kind != TSyncActionKind::Upload &&
                !action.localName.isEmpty() &&
                action.localName.toCaseFolded() != action.contact.name.toCaseFolded();
            if (renamed)
                batch.Take(action.localName, TTrashReason::ReplacedByServer);
            else if (action.conflict && !action.localName.isEmpty())
                batch.Keep(action.localName, TTrashReason::ReplacedByServer);
            if (action.kind == TSyncActionKind::RemoveHere) {
                batch.Take(action.localName, TTrashReason::RemovedOnServer);
                changedHere = true;
            } else if (action.kind == TSyncActionKind::Upload && action.writeHere) {
                profile.WriteField(action.localName, QLatin1String(ContactUidKey), action.uid);
                changedHere = true;
            } else if (action.writeHere) {
                writeContact(action.contact, !action.localName.isEmpty() && !renamed);
                changedHere = true;
            }
        }
        if (changedHere)
            batch.commit();
    }
    if (changedHere)
        emit q->ContactsChanged();

    QList<TSyncRecord> put;
    QStringList forget;
    for (const TSyncAction &action : plan.actions) {
        switch (action.kind) {
        case TSyncActionKind::RemoveHere:
            ++summary.deletedHere;
            forget.append(action.uid);
            break;
        case TSyncActionKind::Forget:
            forget.append(action.uid);
            break;
        case TSyncActionKind::Download:
        case TSyncActionKind::Replace:
            ++summary.downloaded;
            put.append(
                recordOf(action, nameHere(action), action.href, action.etag, action.serverCard));
            break;
        case TSyncActionKind::Merge:
            ++summary.merged;
            if (!action.sendThere)
                put.append(recordOf(action, nameHere(action), action.href, action.etag,
                                    action.serverCard));
            break;
        case TSyncActionKind::Record:
            put.append(
                recordOf(action, nameHere(action), action.href, action.etag, action.serverCard));
            break;
        default:
            break;
        }
        summary.conflicts += action.conflict ? 1 : 0;
    }
    if (!put.isEmpty() || !forget.isEmpty())
        state.Save(bookUrl, put, forget);
}

void TSyncSession::Private::sendNext()
{
    while (inFlight < kInFlight && nextSend < sends.size() && !cancelled)
        send(sends[nextSend++]);
    if (inFlight == 0) {
        saveConfirmed();
        endRound();
    }
}

void TSyncSession::Private::send(const TSyncAction &action)
{
    ++inFlight;
    if (action.kind == TSyncActionKind::RemoveThere) {
        server.Remove({action.href, action.etag},
                      guarded([this, action](const TDavResult<TDavNothing> &r) {
                          sentOne(action, r.status, r.message, {});
                      }));
        return;
    }
    const QString name = nameHere(action);
    const QByteArray card = CardOfContact(ReadSyncContact(profile, name));
    const auto done = guarded([this, action, name, card](const TDavResult<TDavCardRef> &r) {
        const QString href = r.value.href.isEmpty() ? action.href : r.value.href;
        sentOne(action, r.status, r.message,
                r.Ok() ? recordOf(action, name, href, r.value.etag, card) : TSyncRecord{});
    });
    if (action.kind == TSyncActionKind::Upload)
        server.Create(fileNameFor(action.uid), card, done);
    else
        server.Update({action.href, action.etag}, card, done);
}

void TSyncSession::Private::sentOne(const TSyncAction &action, TDavStatus status,
                                    const QString &message, const TSyncRecord &record)
{
    --inFlight;
    ++sent;
    if (status == TDavStatus::Ok) {
        if (action.kind == TSyncActionKind::RemoveThere) {
            ++summary.deletedThere;
            unsavedForget.append(action.uid);
        } else {
            if (action.kind != TSyncActionKind::Merge)
                ++summary.uploaded;
            unsavedPut.append(record);
        }
    } else if (status == TDavStatus::Conflict || status == TDavStatus::NotFound) {
        again = true; // the server's card changed or went meanwhile: the next round sees it
    } else if (status == TDavStatus::Cancelled) {
        cancelled = true;
    } else if (failure.isEmpty()) {
        failure = message;
        cancelled = true; // the server is not answering as it should: send nothing more
    }
    emit q->Progress(TSyncSession::tr("Sending changes to the server"), sent, sends.size());
    if (unsavedPut.size() + unsavedForget.size() >= kSaveEvery)
        saveConfirmed();
    if (inFlight == 0 && (nextSend >= sends.size() || cancelled)) {
        saveConfirmed();
        endRound();
        return;
    }
    sendNext();
}

void TSyncSession::Private::saveConfirmed()
{
    if (unsavedPut.isEmpty() && unsavedForget.isEmpty())
        return;
    state.Save(bookUrl, unsavedPut, unsavedForget);
    unsavedPut.clear();
    unsavedForget.clear();
}

void TSyncSession::Private::endRound()
{
    if (!failure.isEmpty())
        return finish(TSyncOutcome::Failed, failure);
    if (cancelled)
        return finish(TSyncOutcome::Cancelled);
    if (again || !sends.isEmpty()) {
        again = false;
        if (round < kRounds)
            return beginRound();
        return finish(TSyncOutcome::Done); // the rest waits for the next sync
    }
    if (!newToken.isEmpty())
        state.Save(bookUrl, {}, {}, newToken);
    finish(TSyncOutcome::Done);
}

TSyncSession::TSyncSession(TProfile &profile, TSyncServer &server, QString bookUrl, Options options,
                           QObject *parent)
    : QObject(parent),
      d(std::make_unique<Private>(*this, profile, server, std::move(bookUrl), std::move(options)))
{}

TSyncSession::~TSyncSession()
{
    if (d->running)
        d->server.Cancel();
}

TSyncResult TSyncSession::RunToEnd()
{
    TSyncResult result;
    QEventLoop loop;
    connect(this, &TSyncSession::Finished, &loop, [&](const TSyncResult &finished) {
        result = finished;
        loop.quit();
    });
    Start();
    if (IsRunning())
        loop.exec();
    return result;
}

void TSyncSession::Start()
{
    d->running = true;
    d->cancelled = false;
    d->round = 0;
    d->summary = {};
    d->failure.clear();
    try {
        d->beginRound();
    } catch (const CalbreyError &error) {
        d->finish(TSyncOutcome::Failed, error.message());
    }
}

void TSyncSession::Cancel()
{
    if (!d->running)
        return;
    d->cancelled = true;
    d->server.Cancel();
}

bool TSyncSession::IsRunning() const
{
    return d->running;
}
