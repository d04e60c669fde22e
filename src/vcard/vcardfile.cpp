#include "vcard/vcardfile.h"

#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/iniidentity.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"
#include "vcard/vcardmapping.h"
#include "vcard/vcardreader.h"

#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <vector>

namespace {

// A large file is read in parts at once, one a processor; a part smaller than this is not
// worth a thread of its own.
constexpr qsizetype kMinPartBytes = qsizetype(4) * 1024 * 1024;

TVCardContacts readPart(QByteArrayView bytes)
{
    TVCardContacts result;
    int nameless = 0;
    result.unreadable = ReadVCards(bytes, [&](TVCard &&card) {
        TImportedContact contact = ContactFromVCard(card);
        if (contact.name.isEmpty())
            ++nameless; // nothing in it to name a contact by
        else
            result.contacts.append(std::move(contact));
    });
    result.unreadable += nameless;
    return result;
}

bool startsWithIgnoringCase(QByteArrayView bytes, QByteArrayView start)
{
    return bytes.size() >= start.size() &&
           bytes.first(start.size()).compare(start, Qt::CaseInsensitive) == 0;
}

bool isLineEndByte(char c)
{
    return c == '\r' || c == '\n';
}

// The first place at or after from where a BEGIN:VCARD line follows an END:VCARD line, both
// whole lines of their own (line ends of any kind, blank lines between): a reader is there in
// the state it starts a file in, so the text before and the text after read apart give what
// they give read in one. -1 when none.
qsizetype cardBoundary(QByteArrayView bytes, qsizetype from)
{
    constexpr QByteArrayView begin("BEGIN:VCARD");
    constexpr QByteArrayView end("END:VCARD");
    const auto first = [&bytes](qsizetype at, bool lineEnd) {
        while (at < bytes.size() && isLineEndByte(bytes[at]) != lineEnd)
            ++at;
        return at;
    };
    for (qsizetype breakStart = first(from, true); breakStart < bytes.size();) {
        const qsizetype next = first(breakStart, false); // the line after the line ends
        const qsizetype endStart = breakStart - end.size();
        if (startsWithIgnoringCase(bytes.sliced(next), begin) && endStart >= 0 &&
            (endStart == 0 || isLineEndByte(bytes[endStart - 1])) &&
            startsWithIgnoringCase(bytes.sliced(endStart), end))
            return next;
        breakStart = first(next, true);
    }
    return -1;
}

QList<QByteArrayView> independentParts(QByteArrayView bytes, qsizetype count)
{
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    for (qsizetype i = 1; i < count; ++i) {
        const qsizetype cut = cardBoundary(bytes, qMax(start, bytes.size() * i / count));
        if (cut < 0)
            break;
        parts.append(bytes.sliced(start, cut - start));
        start = cut;
    }
    parts.append(bytes.sliced(start));
    return parts;
}

} // namespace

TVCardContacts ReadVCardContacts(QByteArrayView bytes, qsizetype parts)
{
    if (parts <= 0)
        parts = std::clamp<qsizetype>(bytes.size() / kMinPartBytes, 1,
                                      qMax(1, QThread::idealThreadCount()));
    const QList<QByteArrayView> pieces = independentParts(bytes, parts);
    std::vector<std::future<TVCardContacts>> later;
    for (qsizetype i = 1; i < pieces.size(); ++i)
        later.push_back(std::async(std::launch::async, readPart, pieces[i]));
    TVCardContacts result = readPart(pieces.first());
    for (std::future<TVCardContacts> &part : later) {
        TVCardContacts read = part.get();
        result.contacts.append(std::move(read.contacts));
        result.unreadable += read.unreadable;
    }
    return result;
}

TVCardContacts ReadVCardFile(const QString &fileName)
{
    const FileContent content = ReadWholeFile(fileName);
    if (!content.identity.exists || !content.readable)
        throw CalbreyError(QStringLiteral("Cannot open file ") + fileName);
    return ReadVCardContacts(content.bytes);
}

namespace {

// An export is made in blocks of contacts, on every processor at once (each takes every
// n-th block), and saved block by block as they are done.
constexpr qsizetype kExportBlock = 1000;
// About the size of a card with most fields filled.
constexpr qsizetype kCardBytes = 550;

} // namespace

void ForEachVCardBlock(const TProfile &profile, const QStringList &names, TVCardVersion version,
                       const std::function<void(const QByteArray &)> &take)
{
    QStringList keys;
    for (const ContactField &field : ContactFields)
        keys.append(field.key);
    keys.append(QLatin1String(VCardExtraKey));
    keys.append(QLatin1String(ContactUidKey));

    const TProfile::ConcurrentFieldReads reads(profile, keys);
    const qsizetype blocks = (names.size() + kExportBlock - 1) / kExportBlock;
    const auto block = [&](qsizetype b) {
        const qsizetype end = qMin((b + 1) * kExportBlock, names.size());
        QByteArray out;
        out.reserve((end - b * kExportBlock) * kCardBytes);
        for (qsizetype i = b * kExportBlock; i < end; ++i)
            AppendVCard(out, names[i], reads.ReadFields(names[i]), version);
        return out;
    };
    const qsizetype makers = std::clamp<qsizetype>(blocks, 1, QThread::idealThreadCount());
    if (makers == 1) {
        for (qsizetype b = 0; b < blocks; ++b)
            take(block(b));
        return;
    }
    std::vector<std::promise<QByteArray>> made(static_cast<std::size_t>(blocks));
    std::vector<std::future<QByteArray>> done;
    done.reserve(made.size());
    for (std::promise<QByteArray> &promise : made)
        done.push_back(promise.get_future());
    std::atomic<bool> stop = false; // take failed: the rest is not wanted
    std::vector<std::future<void>> makersRunning;
    makersRunning.reserve(static_cast<std::size_t>(makers));
    for (qsizetype first = 0; first < makers; ++first) {
        makersRunning.push_back(std::async(std::launch::async, [&, first] {
            for (qsizetype b = first; b < blocks && !stop; b += makers) {
                try {
                    made[std::size_t(b)].set_value(block(b));
                } catch (...) {
                    made[std::size_t(b)].set_exception(std::current_exception());
                }
            }
        }));
    }
    const auto stopMakers = qScopeGuard([&stop] { stop = true; });
    for (std::future<QByteArray> &next : done)
        take(next.get());
}

QByteArray WriteVCardContacts(const TProfile &profile, const QStringList &names,
                              TVCardVersion version)
{
    QByteArray out;
    out.reserve(names.size() * kCardBytes);
    ForEachVCardBlock(profile, names, version, [&out](const QByteArray &block) { out += block; });
    return out;
}

void ExportVCardFile(const TProfile &profile, const QStringList &names, TVCardVersion version,
                     const QString &fileName)
{
    AtomicFileWriter file(fileName);
    ForEachVCardBlock(profile, names, version,
                      [&file](const QByteArray &block) { file.write(block); });
    file.commit();
}
