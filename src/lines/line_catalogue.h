#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace kvt {

// The server list: an INI text of areas (sections) holding lines (entries name=value), held
// whole in memory and replaced whole.
//
// Parsing: every line is trimmed; empty lines and lines starting with ";" are skipped; a line
// "[...]" opens an area named by the trimmed text between the brackets; "name=value" lines
// belong to the area opened last, split at the first "=" with both sides trimmed. Lines before
// the first area and lines without "=" are ignored (the backend never sends them). CR, LF and
// CR LF all end a line.
//
// Lookups ignore letter case (Unicode simple case folding per code point, the folding of
// QString::toCaseFolded). Duplicates stay visible in `areas()` and `lineNames()`, but a
// lookup finds the first occurrence: a second area whose name matches an earlier one is
// listed, yet its name leads to the earlier area's lines.
class LineCatalogue {
public:
    static LineCatalogue fromText(const QString& text);

    // Area names in document order, duplicates included.
    QStringList areas() const;
    // Line names of the area in document order (entries with empty values included); empty
    // when the area is missing.
    QStringList lineNames(const QString& area) const;
    // Value text of the line; empty when the area or the line is missing.
    QString value(const QString& area, const QString& line) const;
    // True when the document has no area.
    bool isEmpty() const { return m_areas.isEmpty(); }

private:
    // A piece of m_text.
    struct Span {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    struct Area {
        Span name;
        size_t hash = 0;         // of the case-folded name
        qsizetype firstLine = 0; // its lines are m_lines[firstLine, firstLine + lineCount)
        qsizetype lineCount = 0;
    };
    struct Line {
        Span name;
        Span value;
        size_t hash = 0; // of the area index and the case-folded name
        qsizetype area = 0;
    };

    QStringView view(Span span) const { return QStringView(m_text).mid(span.start, span.length); }
    // Index of the first area / line of that name in m_areas / m_lines, or -1.
    qsizetype findArea(QStringView name) const;
    qsizetype findLine(qsizetype area, QStringView name) const;
    // The table slot of that name, or the free slot where it would go.
    size_t findAreaSlot(size_t hash, QStringView name) const;
    size_t findLineSlot(size_t hash, qsizetype area, QStringView name) const;

    // The document as received; names and values are pieces of it, so parsing copies nothing.
    QString m_text;
    QList<Area> m_areas;
    QList<Line> m_lines;
    // Open-addressing tables (power-of-two sizes, at most half full) holding index + 1 of the
    // first area / line of each case-folded name, 0 in a free slot. Lookups fold the query on
    // the fly, so finding a name allocates nothing.
    std::vector<qsizetype> m_areaSlots;
    std::vector<qsizetype> m_lineSlots;
};

// The catalogue the client currently works with; empty until the first replacement. Used on
// the user-interface thread only.
LineCatalogue& CurrentLineCatalogue();

// Parses `text` and makes it the current catalogue; the previous document is dropped whole.
void ReplaceLineCatalogue(const QString& text);

} // namespace kvt
