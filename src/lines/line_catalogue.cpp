#include "lines/line_catalogue.h"

#include <QChar>
#include <QHashSeed>

namespace kvt {

namespace {

// Next code point of `text` from `i` after simple case folding (the folding QString uses);
// advances `i`. An unpaired surrogate stands for itself.
inline char32_t nextFolded(QStringView text, qsizetype& i) {
    const char16_t unit = text[i++].unicode();
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? char32_t(unit + 32) : char32_t(unit);
    char32_t c = unit;
    if (QChar::isHighSurrogate(unit) && i < text.size() && QChar::isLowSurrogate(text[i].unicode()))
        c = QChar::surrogateToUcs4(unit, text[i++].unicode());
    return QChar::toCaseFolded(c);
}

bool foldedEqual(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (nextFolded(a, i) != nextFolded(b, j))
            return false;
    return i == a.size() && j == b.size();
}

// Hash of a group number and a case-folded name: FNV-1a over the folded code points, seeded
// per process, and a final mix so that the low bits used for the slot are well spread.
size_t foldedHash(qsizetype group, QStringView name) {
    static const quint64 seed = QHashSeed::globalSeed();
    quint64 h = 0xcbf29ce484222325ULL ^ seed;
    for (qsizetype i = 0; i < name.size();) {
        h ^= nextFolded(name, i);
        h *= 0x100000001b3ULL;
    }
    h += quint64(group) * 0x9e3779b97f4a7c15ULL;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return size_t(h);
}

// The slot holding an item for which `matches(index)` is true, or the free slot where such an
// item would go.
template <typename Matches>
size_t probe(const std::vector<qsizetype>& table, size_t hash, Matches matches) {
    const size_t mask = table.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const qsizetype slot = table[i];
        if (slot == 0 || matches(slot - 1))
            return i;
    }
}

// Makes room for `count` items, keeping the table at most half full. `hashOf(index)` gives
// the stored hash of an item already in the table.
template <typename HashOf>
void reserveSlots(std::vector<qsizetype>& table, qsizetype count, HashOf hashOf) {
    if (size_t(count) * 2 <= table.size())
        return;
    size_t size = 16;
    while (size < size_t(count) * 2)
        size *= 2;
    std::vector<qsizetype> grown(size, 0);
    for (const qsizetype slot : table)
        if (slot != 0)
            grown[probe(grown, hashOf(slot - 1), [](qsizetype) { return false; })] = slot;
    table.swap(grown);
}

} // namespace

LineCatalogue LineCatalogue::fromText(const QString& text) {
    LineCatalogue catalogue;
    catalogue.m_text = text;
    const QStringView all(catalogue.m_text);
    const auto spanOf = [&all](QStringView piece) {
        return Span{piece.data() - all.data(), piece.size()};
    };
    const auto areaHash = [&catalogue](qsizetype i) {
        return catalogue.m_areas[i].hash;
    };
    const auto lineHash = [&catalogue](qsizetype i) {
        return catalogue.m_lines[i].hash;
    };

    // Nearly every row of a server list is a line: size the storage once.
    const qsizetype rows = all.count(u'\n') + 1;
    catalogue.m_lines.reserve(rows);
    reserveSlots(catalogue.m_lineSlots, rows, lineHash);

    qsizetype indexedAreas = 0;
    qsizetype indexedLines = 0;
    qsizetype currentArea = -1;
    const qsizetype size = all.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && all[end] != u'\n' && all[end] != u'\r')
            ++end;
        const QStringView row = all.mid(start, end - start).trimmed();
        start = end + 1;

        if (row.isEmpty() || row.front() == u';')
            continue;
        if (row.size() >= 2 && row.front() == u'[' && row.back() == u']') {
            const QStringView name = row.mid(1, row.size() - 2).trimmed();
            currentArea = catalogue.m_areas.size();
            const Area area{spanOf(name), foldedHash(0, name), catalogue.m_lines.size(), 0};
            reserveSlots(catalogue.m_areaSlots, indexedAreas + 1, areaHash);
            const size_t slot = catalogue.findAreaSlot(area.hash, name);
            if (catalogue.m_areaSlots[slot] == 0) {
                catalogue.m_areaSlots[slot] = currentArea + 1;
                ++indexedAreas;
            }
            catalogue.m_areas.append(area);
            continue;
        }
        if (currentArea < 0)
            continue;
        const qsizetype equals = row.indexOf(u'=');
        if (equals < 0)
            continue;
        const QStringView name = row.left(equals).trimmed();
        const Line line{spanOf(name), spanOf(row.mid(equals + 1).trimmed()),
                        foldedHash(currentArea, name), currentArea};
        reserveSlots(catalogue.m_lineSlots, indexedLines + 1, lineHash);
        const size_t slot = catalogue.findLineSlot(line.hash, currentArea, name);
        if (catalogue.m_lineSlots[slot] == 0) {
            catalogue.m_lineSlots[slot] = catalogue.m_lines.size() + 1;
            ++indexedLines;
        }
        catalogue.m_lines.append(line);
        ++catalogue.m_areas[currentArea].lineCount;
    }
    return catalogue;
}

size_t LineCatalogue::findAreaSlot(size_t hash, QStringView name) const {
    return probe(m_areaSlots, hash, [&](qsizetype i) {
        const Area& area = m_areas[i];
        return area.hash == hash && foldedEqual(view(area.name), name);
    });
}

size_t LineCatalogue::findLineSlot(size_t hash, qsizetype area, QStringView name) const {
    return probe(m_lineSlots, hash, [&](qsizetype i) {
        const Line& line = m_lines[i];
        return line.hash == hash && line.area == area && foldedEqual(view(line.name), name);
    });
}

qsizetype LineCatalogue::findArea(QStringView name) const {
    if (m_areaSlots.empty())
        return -1;
    return m_areaSlots[findAreaSlot(foldedHash(0, name), name)] - 1;
}

qsizetype LineCatalogue::findLine(qsizetype area, QStringView name) const {
    if (m_lineSlots.empty())
        return -1;
    return m_lineSlots[findLineSlot(foldedHash(area, name), area, name)] - 1;
}

QStringList LineCatalogue::areas() const {
    QStringList names;
    names.reserve(m_areas.size());
    for (const Area& area : m_areas)
        names.append(view(area.name).toString());
    return names;
}

QStringList LineCatalogue::lineNames(const QString& area) const {
    QStringList names;
    const qsizetype found = findArea(area);
    if (found >= 0) {
        const Area& a = m_areas[found];
        names.reserve(a.lineCount);
        for (qsizetype i = a.firstLine; i < a.firstLine + a.lineCount; ++i)
            names.append(view(m_lines[i].name).toString());
    }
    return names;
}

QString LineCatalogue::value(const QString& area, const QString& line) const {
    const qsizetype foundArea = findArea(area);
    if (foundArea < 0)
        return {};
    const qsizetype foundLine = findLine(foundArea, line);
    return foundLine >= 0 ? view(m_lines[foundLine].value).toString() : QString();
}

LineCatalogue& CurrentLineCatalogue() {
    static LineCatalogue current;
    return current;
}

void ReplaceLineCatalogue(const QString& text) {
    CurrentLineCatalogue() = LineCatalogue::fromText(text);
}

} // namespace kvt
