#include "platform/inispool.h"

#include "platform/atomicfile.h"
#include "platform/filesteps.h"
#include "platform/inisectionindex.h"
#include "platform/inisyntax.h"

#include <QTemporaryFile>

namespace {
// Texts are gathered to this size before they go to the file: a contact's text is a few
// hundred bytes, and a write each would cost more than the import's own work.
constexpr qsizetype kPendingLimit = qsizetype(64) * 1024;
// The piece of the file in memory at a time while the appended sections are copied out.
constexpr qint64 kCopyPiece = qint64(64) * 1024;
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

qint64 IniSpool::endOf(qsizetype entry) const
{
    return entry + 1 < count() ? m_offsets[std::size_t(entry + 1)] : end();
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
    m_offsets.push_back(offset);
    m_isAppended.push_back(false);
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
    if (count == 0) {
        clear();
        return;
    }
    // What is appended is worked out again from the edits kept, over the file as it is then.
    takeAppended();
    const qint64 newEnd = m_offsets[std::size_t(count)];
    m_offsets.resize(std::size_t(count));
    m_isAppended.resize(std::size_t(count));
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
    m_offsets = {};
    m_isAppended = {};
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
    const qint64 offset = m_offsets[std::size_t(entry)];
    return read(offset, endOf(entry) - offset);
}

QString IniSpool::name(qsizetype entry) const
{
    return IniDocument::preparedSectionName(text(entry));
}

bool IniSpool::append(qsizetype entry, const QString &name)
{
    const size_t key = FoldedNameHash(name);
    if (m_appended.contains(key))
        return false;
    m_appended.insert(key, entry);
    m_isAppended[std::size_t(entry)] = true;
    return true;
}

qsizetype IniSpool::findAppended(QStringView name) const
{
    if (m_appended.isEmpty())
        return -1;
    const QStringView wanted = IniSyntax::strippedParameter(name);
    const auto found = m_appended.constFind(FoldedNameHash(wanted));
    // The hash is all the index holds: the name is read back to be sure.
    if (found == m_appended.cend() || !SameSectionName(this->name(*found), wanted))
        return -1;
    return *found;
}

bool IniSpool::isAppended(QStringView name) const
{
    return findAppended(name) >= 0;
}

std::optional<IniDocument> IniSpool::appended(QStringView name) const
{
    const qsizetype entry = findAppended(name);
    if (entry < 0)
        return std::nullopt;
    return IniDocument(text(entry));
}

std::vector<qsizetype> IniSpool::takeAppended()
{
    std::vector<qsizetype> taken;
    taken.reserve(std::size_t(m_appended.size()));
    for (qsizetype entry = 0; entry < count(); ++entry) {
        if (m_isAppended[std::size_t(entry)]) {
            m_isAppended[std::size_t(entry)] = false;
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
    QByteArray piece(kCopyPiece, Qt::Uninitialized);
    const auto copy = [&](qint64 from, qint64 to) {
        if (from < to && !m_file->seek(from))
            failWriting();
        for (qint64 at = from; at < to; at += kCopyPiece) {
            const qint64 size = qMin(kCopyPiece, to - at);
            if (m_file->read(piece.data(), size) != size)
                failWriting();
            out.write(QByteArrayView(piece).first(size));
        }
    };
    qint64 rangeStart = 0;
    qint64 rangeEnd = 0;
    for (qsizetype entry = 0; entry < count(); ++entry) {
        if (!m_isAppended[std::size_t(entry)])
            continue;
        const qint64 offset = m_offsets[std::size_t(entry)];
        if (offset != rangeEnd) {
            copy(rangeStart, rangeEnd);
            rangeStart = offset;
        }
        rangeEnd = endOf(entry);
    }
    copy(rangeStart, rangeEnd);
}
