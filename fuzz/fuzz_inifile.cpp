// Feeds arbitrary bytes to the INI document, edits it, and checks that what it writes parses
// back to exactly what it holds in memory.
#include "platform/inidocument.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

struct Entry
{
    QString key;
    std::optional<QString> value;
    bool operator==(const Entry &) const = default;
};

struct Index
{
    QStringList sections;
    std::vector<std::vector<Entry>> keys; // of the first sections listed
    std::vector<std::pair<QString, std::optional<QString>>> column;
    bool operator==(const Index &) const = default;
};

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_inifile: %s\n", what);
        std::abort();
    }
}

// What a reader can see, bounded so that huge inputs stay fast.
Index indexOf(const IniDocument &document)
{
    constexpr qsizetype limit = 64;
    Index index;
    index.sections = document.sectionNames();
    for (qsizetype i = 0; i < index.sections.size() && i < limit; ++i) {
        std::vector<Entry> entries;
        const QStringList keys = document.keyNames(index.sections[i]);
        for (qsizetype k = 0; k < keys.size() && k < limit; ++k) {
            entries.push_back({keys[k], document.value(index.sections[i], keys[k])});
            // A key the section lists is found by its name: the quick look never skips it.
            check(entries.back().value.has_value(), "a listed key reads as missing");
        }
        index.keys.push_back(std::move(entries));
    }
    index.column = document.sectionsWithValue(u"k");
    return index;
}

// Deterministic choices drawn from the input itself.
class Chooser
{
public:
    Chooser(const uint8_t *data, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            m_state = (m_state ^ data[i]) * 0x100000001B3ULL;
    }
    uint32_t next(uint32_t bound)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return bound == 0 ? 0 : uint32_t(m_state >> 33) % bound;
    }

private:
    uint64_t m_state = 0xCBF29CE484222325ULL;
};

QString pickName(Chooser &chooser, const QStringList &present)
{
    static const std::array<QString, 8> fixed = {u"k"_s,    u"S"_s,  u"  spaced  "_s, u"Müller"_s,
                                                 QString(), u";c"_s, u"a]b"_s,        u"\tt"_s};
    if (!present.isEmpty() && chooser.next(2) == 0)
        return present[chooser.next(uint32_t(present.size()))];
    return fixed[chooser.next(fixed.size())];
}

void edit(IniDocument &document, Chooser &chooser)
{
    static const std::array<QString, 6> values = {QString(), u"v"_s,     u"  \"quoted\"  "_s,
                                                  u"'x'"_s,  u"a=b;c"_s, u"Zürich €"_s};
    const QStringList sections = document.sectionNames();
    const QString section = pickName(chooser, sections);
    const QString key = pickName(chooser, document.keyNames(section));
    switch (chooser.next(5)) {
    case 0:
        document.deleteKey(section, key);
        break;
    case 1:
        document.deleteSection(section);
        break;
    case 2: {
        // Several keys at once, a repeated one among them: the same text as one by one.
        QList<std::pair<QString, QString>> entries;
        const QStringList keys = document.keyNames(section);
        for (uint32_t n = chooser.next(4); n > 0; --n) {
            const QString entryKey = pickName(chooser, keys);
            const QString &value = values[chooser.next(values.size())];
            if (IniDocument::canWrite(section, entryKey, value))
                entries.append({entryKey, value});
        }
        const std::optional<QByteArray> prepared = IniDocument::prepareSection(section, entries);
        if (!prepared)
            break;
        IniDocument oneByOne = document;
        for (const auto &[k, v] : entries)
            oneByOne.writeString(section, k, v);
        document.writeSection(*prepared);
        check(document.serialize() == oneByOne.serialize(), "a section write differs");
        break;
    }
    default: {
        const QString &value = values[chooser.next(values.size())];
        if (IniDocument::canWrite(section, key, value))
            document.writeString(section, key, value);
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument document(bytes);
    check(document.serialize() == bytes, "an untouched document changed its bytes");
    Chooser chooser(data, size);

    for (int round = 0; round < 2; ++round) {
        const int edits = int(chooser.next(6)) + 1;
        for (int i = 0; i < edits; ++i)
            edit(document, chooser);
        const QByteArray written = document.serialize();
        IniDocument reparsed(written);
        check(indexOf(reparsed) == indexOf(document), "written text reads differently");
        check(reparsed.serialize() == written, "re-parsed text changed its bytes");
        // The same further edits on the edited model and on the re-parsed text agree.
        Chooser copy = chooser;
        edit(reparsed, copy);
        Chooser again = chooser;
        IniDocument adopted = document;
        adopted.adopt(written);
        check(indexOf(adopted) == indexOf(document), "adopting the saved text changed it");
        edit(adopted, again);
        check(adopted.serialize() == reparsed.serialize(), "model and re-parse edit apart");
        document = std::move(adopted);
        chooser = again;
    }
    return 0;
}
