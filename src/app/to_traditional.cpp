#include "app/to_traditional.h"

#include <QFile>
#include <QList>
#include <QtGlobal>

#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>

#include <cstdio>
#include <exception>
#include <memory>

namespace kvt {

namespace {

// The code point of a UTF-8 text that holds exactly one character, or 0.
char32_t SingleCodePoint(const std::string& utf8) {
    const QList<uint> ucs4 = QString::fromStdString(utf8).toUcs4();
    return ucs4.size() == 1 ? char32_t(ucs4.front()) : 0;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

const TraditionalCharacterTable& DefaultTable() {
    // Loaded on first use rather than at start: only language 3 needs it. The function-local
    // static makes the load happen once even if two threads ask at the same moment.
    static const TraditionalCharacterTable table = [] {
        TraditionalCharacterTable loaded = TraditionalCharacterTable::Load(TraditionalTablePath());
        if (loaded.isEmpty())
            qWarning("Traditional Chinese texts fall back to simplified: cannot read %s",
                     qPrintable(TraditionalTablePath()));
        return loaded;
    }();
    return table;
}

} // namespace

QString TraditionalTablePath() {
    return QStringLiteral("/usr/share/opencc/STCharacters.ocd2");
}

TraditionalCharacterTable TraditionalCharacterTable::Load(const QString& path) {
    // Without the data the windows still work: language 3 then shows the simplified literals,
    // which any reader of traditional Chinese can read, instead of failing to start.
    TraditionalCharacterTable table;
    std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file)
        return table;
    opencc::MarisaDictPtr dict;
    try {
        dict = opencc::MarisaDict::NewFromFile(file.get());
    } catch (const opencc::Exception&) {
        return table;
    } catch (const std::exception&) {
        return table;
    }
    const opencc::LexiconPtr lexicon = dict ? dict->GetLexicon() : nullptr;
    if (!lexicon)
        return table;
    for (const auto& entry : *lexicon) {
        if (entry->NumValues() == 0)
            continue;
        const char32_t from = SingleCodePoint(entry->Key());
        const char32_t to = SingleCodePoint(entry->Values().front());
        if (from == 0 || to == 0 || from == to)
            continue;
        if (QChar::requiresSurrogates(from) != QChar::requiresSurrogates(to))
            continue;
        table.map_.insert(from, to);
    }
    return table;
}

QString TraditionalCharacterTable::convert(const QString& text) const {
    if (map_.isEmpty())
        return text;
    QString out = text;
    const qsizetype length = out.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = out.at(i).unicode();
        if (unit < 0x80)
            continue;
        if (QChar::isHighSurrogate(unit) && i + 1 < length &&
            QChar::isLowSurrogate(out.at(i + 1).unicode())) {
            const char32_t code = QChar::surrogateToUcs4(unit, out.at(i + 1).unicode());
            const auto found = map_.constFind(code);
            if (found != map_.constEnd()) {
                out[i] = QChar(QChar::highSurrogate(*found));
                out[i + 1] = QChar(QChar::lowSurrogate(*found));
            }
            ++i;
            continue;
        }
        const auto found = map_.constFind(unit);
        if (found != map_.constEnd())
            out[i] = QChar(char16_t(*found));
    }
    return out;
}

QString ToTraditional(const QString& text) {
    return DefaultTable().convert(text);
}

bool TraditionalTableLoaded() {
    return !DefaultTable().isEmpty();
}

} // namespace kvt
