#include "platform/inispool.h"

#include "platform/atomicfile.h"
#include "platform/filesteps.h"
#include "platform/inisyntax.h"

#include <QTemporaryFile>

namespace {
// Texts are gathered to this size before they go to the file: a contact's text is a few
// hundred bytes, and a write each would cost more than the import's own work.
constexpr qsizetype kPendingLimit = 64 * 1024;
// The piece of the file in memory at a time while the appended sections are copied out.
constexpr qint64 kCopyPiece = 1024 * 1024;
} // namespace

IniSpool::IniSpool(QString iniPath) : m_iniPath(std::move(iniPath)) {}

IniSpool::~IniSpool() = default;

void IniSpool::failWriting() const
{
    FailWriting(m_iniPath);
}

qint64 IniSpool::end() const
{
    return m_written + m_pending.size();
}

qsizetype IniSpool::spool(QByteArrayView text)
{
    if (!m_file) {
        // Beside the INI file: a folder that cannot hold the file fails here already.
        auto file = std::make_unique<QTemporaryFile>(m_iniPath + QStringLiteral(".spool-XXXXXX"));
        if (!file->open())
            failWriting();
        m_file = std::move(file);
        m_pending.reserve(kPendingLimit + text.size());
    }
    const qint64 offset = end();
    m_pending.append(text);
    if (m_pending.size() >= kPendingLimit) {
        try {
            flushPending();
        } catch (...) {
            m_pending.chop(text.size());
            throw;
        }
    }
    m_entries.push_back(Entry{offset, qint32(text.size()), false});
    return count() - 1;
}

void IniSpool::flushPending() const
{
    if (m_pending.isEmpty())
        return;
    if (!m_file->seek(m_written) || m_file->write(m_pending) != m_pending.size() ||
        !m_file->flush())
        failWriting();
    m_written += m_pending.size();
    m_pending.truncate(0); // keeps its room for the next texts
}

void IniSpool::truncate(qsizetype count)
{
    if (count >= this->count())
        return;
    for (qsizetype entry = count; entry < this->count(); ++entry)
        if (m_entries[std::size_t(entry)].appended)
            m_appended.remove(CaseFoldedName{name(entry)});
    m_entries.resize(std::size_t(count));
    const qint64 newEnd = m_entries.empty() ? 0 : m_entries.back().offset + m_entries.back().size;
    if (newEnd >= m_written) {
        m_pending.truncate(newEnd - m_written);
    } else {
        m_pending.truncate(0);
        m_written = newEnd;
    }
}

void IniSpool::clear()
{
    m_file.reset(); // removes the file
    m_entries = {};
    m_appended = {};
    m_pending = {};
    m_written = 0;
}

QByteArray IniSpool::read(qint64 offset, qint64 size) const
{
    if (offset >= m_written)
        return m_pending.sliced(offset - m_written, size);
    QByteArray bytes;
    if (!m_file->seek(offset) || (bytes = m_file->read(size)).size() != size)
        failWriting(); // the text the batch is to write is lost
    return bytes;
}

QByteArray IniSpool::text(qsizetype entry) const
{
    const Entry &found = m_entries[std::size_t(entry)];
    return read(found.offset, found.size);
}

QString IniSpool::name(qsizetype entry) const
{
    return IniDocument::preparedSectionName(text(entry));
}

void IniSpool::append(qsizetype entry, const QString &name)
{
    m_entries[std::size_t(entry)].appended = true;
    m_appended.insert(CaseFoldedName{name}, entry);
}

namespace {
CaseFoldedName lookedUp(QStringView name)
{
    return CaseFoldedName{IniSyntax::strippedParameter(name).toString()};
}
} // namespace

bool IniSpool::isAppended(QStringView name) const
{
    return !m_appended.isEmpty() && m_appended.contains(lookedUp(name));
}

std::optional<IniDocument> IniSpool::appended(QStringView name) const
{
    if (m_appended.isEmpty())
        return std::nullopt;
    const auto found = m_appended.constFind(lookedUp(name));
    if (found == m_appended.cend())
        return std::nullopt;
    return IniDocument(text(*found));
}

std::vector<qsizetype> IniSpool::takeAppended()
{
    std::vector<qsizetype> taken;
    taken.reserve(std::size_t(m_appended.size()));
    for (qsizetype entry = 0; entry < count(); ++entry) {
        if (m_entries[std::size_t(entry)].appended) {
            m_entries[std::size_t(entry)].appended = false;
            taken.push_back(entry);
        }
    }
    m_appended.clear();
    return taken;
}

void IniSpool::copyAppendedTo(AtomicFileWriter &out) const
{
    flushPending();
    // Sections spooled one after another are one range of the file, copied a piece at a time.
    const auto copy = [&](qint64 from, qint64 to) {
        for (qint64 at = from; at < to; at += kCopyPiece)
            out.write(read(at, qMin(kCopyPiece, to - at)));
    };
    qint64 rangeStart = 0;
    qint64 rangeEnd = 0;
    for (const Entry &entry : m_entries) {
        if (!entry.appended)
            continue;
        if (entry.offset != rangeEnd) {
            copy(rangeStart, rangeEnd);
            rangeStart = entry.offset;
        }
        rangeEnd = entry.offset + entry.size;
    }
    copy(rangeStart, rangeEnd);
}
