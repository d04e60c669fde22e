#include "platform/inifile.h"

#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/filechangewatch.h"
#include "platform/filelock.h"
#include "platform/inidocument.h"
#include "platform/iniidentity.h"
#include "platform/iniprefetch.h"
#include "platform/inispool.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {

enum class EditKind
{
    Write,
    WriteSection,
    DeleteKey,
    DeleteSection,
    AppendSectionLines,
    SpooledSections
};

// New sections a batch keeps in memory before it spools the rest of them: saving a contact
// or two never makes a temporary file, an import of thousands holds little more than this.
constexpr qsizetype kSpoolAfter = qsizetype(64) * 1024;

struct Edit
{
    EditKind kind;
    QString section;
    QString key;
    QString value;
    // WriteSection: the prepared texts of sections written one after another, shared with
    // the document; an import's thousands of contacts are one edit. AppendSectionLines: the
    // section's lines.
    std::vector<QByteArray> sections;
    // SpooledSections: the spool's sections from spoolFirst on, written one after another.
    qsizetype spoolFirst = 0;
    qsizetype spoolCount = 0;
};

} // namespace

struct IniFile::Impl
{
    explicit Impl(const QString &filePath) : path(filePath), watch(filePath), spool(filePath) {}

    QString path;
    FileChangeWatch watch; // spares the look at the file while nothing can have changed it
    IniDocument document;
    FileIdentity identity; // of the file document.raw() was read from or saved to
    bool loaded = false;
    bool readable = true;
    bool recent = false; // identity too recent to trust: compare the bytes on the next read
    int batchDepth = 0;
    int readScopeDepth = 0;
    bool checkedForScope = false; // the open read scope has looked at the file
    std::deque<Edit> log;         // the open batch's edits, replayed over a changed file
    // The batch's new sections past the first kSpoolAfter bytes: in the file they follow the
    // document's text (those "appended"), so the document never holds them.
    IniSpool spool;
    qsizetype newInMemory = 0; // bytes of new sections the batch put into the document

    // Takes the appended sections into the document, for an edit or a read that needs them
    // there: as rare as it is costly.
    void unspool()
    {
        for (const qsizetype entry : spool.takeAppended())
            document.writeSection(spool.text(entry));
    }

    // Before an edit of section in the document: the appended sections stay last in the file.
    void beforeEdit(QStringView section)
    {
        if (spool.hasAppended() && (spool.isAppended(section) || !document.hasSection(section)))
            unspool();
    }

    // The spooled section goes to the end, unless its name is in use already.
    void applySpooled(qsizetype entry, const QString &name)
    {
        if (!spool.isAppended(name) && !document.hasSection(name)) {
            document.terminateLastLine();
            if (spool.append(entry, name))
                return;
        }
        beforeEdit(name);
        document.writeSection(spool.text(entry));
    }

    void apply(const Edit &edit)
    {
        switch (edit.kind) {
        case EditKind::Write:
            beforeEdit(edit.section);
            document.writeString(edit.section, edit.key, edit.value);
            break;
        case EditKind::WriteSection:
            for (const QByteArray &section : edit.sections) {
                beforeEdit(IniDocument::preparedSectionName(section));
                document.writeSection(section);
            }
            break;
        case EditKind::DeleteKey:
            beforeEdit(edit.section);
            document.deleteKey(edit.section, edit.key);
            break;
        case EditKind::DeleteSection:
            beforeEdit(edit.section);
            document.deleteSection(edit.section);
            break;
        case EditKind::AppendSectionLines:
            unspool();
            document.appendSectionLines(edit.section,
                                        QByteArrayList(edit.sections.begin(), edit.sections.end()));
            break;
        case EditKind::SpooledSections:
            for (qsizetype i = 0; i < edit.spoolCount; ++i)
                applySpooled(edit.spoolFirst + i, spool.name(edit.spoolFirst + i));
            break;
        }
    }

    void take(FileContent content)
    {
        IniDocument read;
        read.load(std::move(content.bytes), std::move(content.keepAlive));
        take(content.identity, content.readable, std::move(read));
    }

    void take(const FileIdentity &readIdentity, bool wasReadable, IniDocument read)
    {
        identity = readIdentity;
        readable = wasReadable;
        recent = IsRecentlyChanged(identity, WallClockNs());
        document = std::move(read);
        spool.takeAppended(); // they followed the old text
        for (const Edit &edit : log)
            apply(edit);
        loaded = true;
    }

    // The first read takes what was read ahead for it, if the file is still the one read.
    bool takePrefetched()
    {
        std::optional<PrefetchedIniFile> ahead = TakePrefetchedIniFile(path);
        if (!ahead || !ahead->readable || !(StatFile(path) == ahead->identity))
            return false;
        take(ahead->identity, ahead->readable, std::move(ahead->document));
        return true;
    }

    // Makes the document the file on disk plus the open batch's edits.
    void refresh()
    {
        // Asked every time, before the file is looked at, so a change made from now on is
        // in the next answer.
        const bool mayHaveChanged = watch.mayHaveChanged();
        if (loaded && readable && !recent && !mayHaveChanged)
            return;
        // A failed read is tried again each time: the reason may pass (no descriptor left, an
        // I/O error) while the file's identity stays the same.
        if (loaded && readable && StatFile(path) == identity) {
            if (!recent)
                return;
            FileContent content = ReadWholeFile(path, FileRead::MayMap);
            // Mapped bytes change with the file: they cannot tell whether it changed.
            if (content.identity == identity && !document.rawIsMapped() &&
                content.bytes == document.raw()) {
                recent = IsRecentlyChanged(identity, WallClockNs());
                return;
            }
            take(std::move(content));
            return;
        }
        if (!loaded && takePrefetched())
            return;
        take(ReadWholeFile(path, FileRead::MayMap));
    }

    // A read: inside a read scope the file is looked at once, for the whole scope.
    void refreshForRead()
    {
        if (readScopeDepth > 0 && checkedForScope && loaded)
            return;
        refresh();
        checkedForScope = readScopeDepth > 0;
    }

    // The next read goes back to the file; edits not yet saved are gone.
    void dropEdits()
    {
        forgetLog();
        loaded = false;
        checkedForScope = false;
    }

    [[noreturn]] void failWriting() const
    {
        throw CalbreyError(QStringLiteral("Unable to write to ") + path);
    }

    void forgetLog()
    {
        log.clear();
        spool.clear();
        newInMemory = 0;
    }

    bool isModified() const { return document.isModified() || spool.hasAppended(); }

    void save()
    {
        // A file that could not be read must not be replaced by what little we know of it.
        if (!readable)
            failWriting();
        // Written from the document's pieces: a large file is not copied whole first.
        AtomicFileWriter file(path);
        for (const QByteArrayView piece : document.pieces())
            file.write(piece);
        const bool appended = spool.hasAppended();
        if (appended)
            spool.copyAppendedTo(file);
        file.commit();
        // Our own file: its content is known, whatever its times say.
        identity = StatFile(path);
        recent = false;
        document.markSaved();
        if (appended) {
            // The document lacks what was appended: the next read takes the file as written.
            document = IniDocument();
            loaded = false;
        }
    }

    void edit(Edit edit)
    {
        refresh();
        // Logged first: should applying it fail half-way, the batch still knows to discard.
        log.push_back(std::move(edit));
        apply(log.back());
    }

    void editSection(const QString &name, QByteArray prepared)
    {
        // Inside a read scope the file was looked at when the scope began; a change made
        // since by another program is still kept, as the commit replays the log over it.
        if (readScopeDepth == 0 || !checkedForScope || !loaded)
            refresh();
        const bool isNew = !spool.isAppended(name) && !document.hasSection(name);
        if (isNew && readable && (spool.hasAppended() || newInMemory >= kSpoolAfter) &&
            IniDocument::preparedHasKeys(prepared)) {
            const qsizetype entry = spool.spool(prepared);
            if (log.empty() || log.back().kind != EditKind::SpooledSections ||
                log.back().spoolFirst + log.back().spoolCount != entry)
                log.push_back({EditKind::SpooledSections, {}, {}, {}, {}, entry, 0});
            ++log.back().spoolCount;
            applySpooled(entry, name);
            return;
        }
        if (isNew)
            newInMemory += prepared.size();
        if (log.empty() || log.back().kind != EditKind::WriteSection)
            log.push_back({EditKind::WriteSection, {}, {}, {}, {}, 0, 0});
        log.back().sections.push_back(std::move(prepared));
        beforeEdit(name);
        document.writeSection(log.back().sections.back());
    }

    IniFile::LogMark mark() const
    {
        if (log.empty())
            return {};
        const Edit &last = log.back();
        return {log.size(), last.kind == EditKind::SpooledSections ? std::size_t(last.spoolCount)
                                                                   : last.sections.size()};
    }

    void truncate(const IniFile::LogMark &to)
    {
        log.resize(to.edits);
        if (!log.empty() && log.back().kind == EditKind::WriteSection)
            log.back().sections.resize(to.sections);
        if (!log.empty() && log.back().kind == EditKind::SpooledSections)
            log.back().spoolCount = qsizetype(to.sections);
        // The spool keeps what the edits left still name.
        const auto lastSpooled = std::find_if(log.rbegin(), log.rend(), [](const Edit &edit) {
            return edit.kind == EditKind::SpooledSections;
        });
        spool.truncate(
            lastSpooled == log.rend() ? 0 : lastSpooled->spoolFirst + lastSpooled->spoolCount);
    }
};

IniFile::IniFile(const QString &path) : d(std::make_unique<Impl>(path)) {}

IniFile::~IniFile() = default;

const QString &IniFile::path() const
{
    return d->path;
}

void IniFile::readAhead() const
{
    if (!d->loaded)
        PrefetchIniFile(d->path);
}

bool IniFile::whenReadAhead(std::function<void()> done) const
{
    return !d->loaded && WhenIniFilePrefetched(d->path, std::move(done));
}

std::optional<QString> IniFile::value(QStringView section, QStringView key) const
{
    d->refreshForRead();
    if (const std::optional<IniDocument> appended = d->spool.appended(section))
        return appended->value(section, key);
    return d->document.value(section, key);
}

std::vector<std::optional<QString>> IniFile::values(QStringView section,
                                                    const QStringList &keys) const
{
    d->refreshForRead();
    if (const std::optional<IniDocument> appended = d->spool.appended(section))
        return appended->values(section, keys);
    return d->document.values(section, keys);
}

struct IniFile::ConcurrentReads::Impl
{
    Impl(const IniFile &file, const QStringList &keys) : scope(file), document(file.d->document)
    {
        file.d->refreshForRead(); // here, before any thread reads
        file.d->unspool();
        prepared = IniDocument::prepareKeys(keys);
    }

    ReadScope scope;
    const IniDocument &document;
    std::shared_ptr<const IniDocument::PreparedKeys> prepared;
};

IniFile::ConcurrentReads::ConcurrentReads(const IniFile &file, const QStringList &keys)
    : d(std::make_unique<const Impl>(file, keys))
{}

IniFile::ConcurrentReads::~ConcurrentReads() = default;

std::vector<std::optional<QString>> IniFile::ConcurrentReads::values(QStringView section) const
{
    return d->document.values(section, *d->prepared);
}

qsizetype IniFile::ConcurrentReads::sectionEnd() const
{
    return d->document.sectionEnd();
}

void IniFile::ConcurrentReads::forEachSectionText(
    qsizetype from, qsizetype to,
    const std::function<void(QStringView, QByteArrayView)> &visit) const
{
    d->document.forEachSectionText(from, to, visit);
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    if (std::optional<QString> found = value(section, key))
        return *std::move(found);
    // Windows strips trailing spaces (and nothing else) from the default.
    qsizetype end = defaultValue.size();
    while (end > 0 && defaultValue[end - 1] == u' ')
        --end;
    return defaultValue.first(end);
}

QStringList IniFile::sectionNames() const
{
    d->refreshForRead();
    d->unspool();
    return d->document.sectionNames();
}

QStringList IniFile::keyNames(QStringView section) const
{
    d->refreshForRead();
    if (const std::optional<IniDocument> appended = d->spool.appended(section))
        return appended->keyNames(section);
    return d->document.keyNames(section);
}

bool IniFile::sectionHasKeys(QStringView section) const
{
    d->refreshForRead();
    // An appended section was spooled because it had keys.
    return d->spool.isAppended(section) || d->document.sectionHasKeys(section);
}

std::optional<QByteArrayList> IniFile::sectionLines(QStringView section) const
{
    d->refreshForRead();
    if (const std::optional<IniDocument> appended = d->spool.appended(section))
        return appended->sectionLines(section);
    return d->document.sectionLines(section);
}

std::vector<std::pair<QString, std::optional<QString>>>
IniFile::sectionsWithValue(QStringView key) const
{
    d->refreshForRead();
    d->unspool();
    return d->document.sectionsWithValue(key);
}

void IniFile::writeString(QStringView section, QStringView key, QStringView value)
{
    if (!IniDocument::canWrite(section, key, value))
        d->failWriting();
    Batch batch(*this);
    d->edit({EditKind::Write, section.toString(), key.toString(), value.toString(), {}});
    batch.commit();
}

void IniFile::writeSection(const QString &section,
                           const QList<std::pair<QString, QString>> &entries)
{
    writeSection(prepareSection(section, entries));
}

IniFile::PreparedSection IniFile::prepareSection(const QString &section,
                                                 const QList<std::pair<QString, QString>> &entries)
{
    PreparedSection prepared{section, entries, std::nullopt,
                             IniDocument::canWrite(section, {}, {})};
    for (const auto &[key, value] : entries)
        prepared.writable = prepared.writable && IniDocument::canWrite({}, key, value);
    if (prepared.writable)
        prepared.text = IniDocument::prepareSection(section, entries);
    return prepared;
}

void IniFile::writeSection(const PreparedSection &prepared)
{
    if (!prepared.writable)
        d->failWriting();
    Batch batch(*this);
    if (prepared.text) {
        d->editSection(prepared.section, *prepared.text);
    } else {
        // A name that reads back differently: the writes one by one give the exact result.
        for (const auto &[key, value] : prepared.entries)
            d->edit({EditKind::Write, prepared.section, key, value, {}});
    }
    batch.commit();
}

void IniFile::deleteKey(QStringView section, QStringView key)
{
    Batch batch(*this);
    d->edit({EditKind::DeleteKey, section.toString(), key.toString(), {}, {}});
    batch.commit();
}

void IniFile::deleteSection(QStringView section)
{
    Batch batch(*this);
    d->edit({EditKind::DeleteSection, section.toString(), {}, {}, {}});
    batch.commit();
}

void IniFile::appendSectionLines(QStringView section, const QByteArrayList &lines)
{
    if (!IniDocument::canAppendSectionLines(section, lines))
        d->failWriting();
    Batch batch(*this);
    d->edit({EditKind::AppendSectionLines,
             section.toString(),
             {},
             {},
             std::vector<QByteArray>(lines.begin(), lines.end())});
    batch.commit();
}

IniFile::ReadScope::ReadScope(const IniFile &file) : m_file(file)
{
    ++m_file.d->readScopeDepth;
}

IniFile::ReadScope::~ReadScope()
{
    Impl &d = *m_file.d;
    if (--d.readScopeDepth == 0)
        d.checkedForScope = false;
}

IniFile::Batch::Batch(IniFile &file) : m_file(file), m_logMark(file.d->mark())
{
    ++m_file.d->batchDepth;
}

IniFile::Batch::~Batch()
{
    if (m_done)
        return;
    // Forget this batch's edits; the document is rebuilt from the file and the edits of the
    // batches around this one when it is next used.
    Impl &d = *m_file.d;
    --d.batchDepth;
    if (d.mark() == m_logMark)
        return; // nothing to forget: no need to read the file again
    d.truncate(m_logMark);
    d.loaded = false;
}

void IniFile::Batch::commit()
{
    if (m_done)
        return;
    m_done = true;
    Impl &d = *m_file.d;
    if (--d.batchDepth > 0)
        return;
    if (d.log.empty())
        return; // nothing was written
    try {
        // Another program's change since the batch began is kept: the edits are replayed
        // over it. Programs that change the file take turns from that last look at it to the
        // rename, so a change committed in between cannot be written over unseen.
        const FileLock lock(d.path + QStringLiteral(".lock"));
        if (!lock.acquired() && !lock.unavailable())
            d.failWriting();
        d.refresh();
        if (d.isModified())
            d.save();
    } catch (...) {
        d.dropEdits();
        throw;
    }
    d.forgetLog();
}
