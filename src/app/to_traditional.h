#pragma once

#include <QHash>
#include <QString>

namespace kvt {

// OpenCC's simplified-to-traditional character table as Debian installs it (libopencc-data).
QString TraditionalTablePath();

// One-for-one simplified-to-traditional character mapping read from an OpenCC character
// dictionary (.ocd2). Only single characters are mapped, never phrases: every character takes
// the first candidate the table lists for it, and a character whose candidate would need a
// different number of UTF-16 code units (a BMP character whose candidate lies outside the BMP,
// or the reverse) is kept, so a converted text always has the length of its source. A table
// is immutable once loaded and may be read from any thread.
class TraditionalCharacterTable {
public:
    // Reads the dictionary at `path`. A missing, unreadable or malformed file gives an empty
    // table, which leaves every text unchanged.
    static TraditionalCharacterTable Load(const QString& path);

    bool isEmpty() const { return map_.isEmpty(); }
    // Number of characters that the table changes.
    qsizetype size() const { return map_.size(); }
    // The converted text: same length, characters without a mapping (including everything
    // that is not Chinese, lone surrogates and unpaired code units) as they are.
    QString convert(const QString& text) const;

private:
    QHash<char32_t, char32_t> map_;
};

// The traditional-Chinese form of a simplified-Chinese text through the table at
// TraditionalTablePath(), loaded once on first use (thread-safe). When OpenCC's data is not
// installed the text comes back unchanged.
QString ToTraditional(const QString& text);

// True when the table behind ToTraditional loaded and maps at least one character. Loads it
// if that has not happened yet.
bool TraditionalTableLoaded();

} // namespace kvt
