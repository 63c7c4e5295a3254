// The registry file parser on arbitrary bytes: it must never crash or hang, and whatever it
// accepts must come back the same after being written out and read again.
#include "app/linux/regedit_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Random bytes almost never make a valid file, so two thirds of the inputs are read as a
// recipe instead: each byte picks a line (section, string, DWORD, default value, comment) or,
// rarely, a piece that breaks the file, and the following bytes pick what goes inside.
class Recipe {
public:
    Recipe(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_pos >= m_size; }
    uint8_t next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    template <size_t N>
    void pick(QByteArray& out, const char* const (&pieces)[N], int count) {
        for (int i = 0; i < count; ++i) {
            const char* piece = pieces[next() % N];
            out.append(piece, piece[0] ? qsizetype(std::strlen(piece)) : 1);
        }
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Pieces that keep a line valid; kBroken ones break it (or the file) in one of the ways a
// damaged file does.
const char* const kQuoted[] = {
    "a", "Z", "\xe4\xb8\xad", "\\\\",  "\\\"", "\\n", "\\r", "\\t", " ", "]", "[", "=",
    "@", ";", "\\x01",        "\\x7F", "\t"};
const char* const kComponent[] = {"Software", "vidizirevoror", "\xe4\xb8\xad", " x", "]", "[", "A"};
const char* const kBroken[] = {
    "\n", "\r\n", "\r",      "\0",   "\xef\xbb\xbf", "dword:", "\\x4g", "\\q",
    "\"", "\xff", "0000000", "[\\]", "\\",           "\x01",   "=",     "@"};
const char kHex[] = "0123456789abcdefABCDEF";

QByteArray fromRecipe(Recipe& recipe) {
    QByteArray out = (recipe.next() % 32) ? QByteArray("REGEDIT4\n") : QByteArray("REGEDIT");
    while (!recipe.done()) {
        switch (recipe.next() % 32) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: {
            out.append('[');
            const int depth = 1 + recipe.next() % 4;
            for (int i = 0; i < depth; ++i) {
                if (i > 0)
                    out.append('\\');
                recipe.pick(out, kComponent, 1);
            }
            out.append(recipe.next() % 8 ? "]\n" : "\\]\n");
            break;
        }
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 13:
        case 14:
            out.append('"');
            recipe.pick(out, kQuoted, recipe.next() % 4);
            out.append("\"=\"");
            recipe.pick(out, kQuoted, recipe.next() % 6);
            out.append("\"\n");
            break;
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
        case 22: {
            out.append('"');
            recipe.pick(out, kQuoted, recipe.next() % 4);
            out.append(recipe.next() % 4 ? "\"=dword:" : "\"=DWORD:");
            for (int i = 0; i < 8; ++i)
                out.append(kHex[recipe.next() % (sizeof kHex - 1)]);
            out.append(recipe.next() % 4 ? "\n" : "\r\n");
            break;
        }
        case 23:
        case 24:
        case 25:
            out.append("@=\"");
            recipe.pick(out, kQuoted, recipe.next() % 3);
            out.append("\"\n");
            break;
        case 26:
        case 27:
        case 28:
            out.append(recipe.next() % 2 ? "; note\n" : " \t\n");
            break;
        case 29:
        case 30:
            out.append("\n");
            break;
        default:
            recipe.pick(out, kBroken, 1);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes;
    if (size > 0 && data[0] % 3 != 0) {
        Recipe recipe(data + 1, size - 1);
        bytes = fromRecipe(recipe);
    } else {
        bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    const std::optional<kvt::RegistryHive> hive = kvt::parseRegeditText(bytes);
    if (!hive)
        return 0;
    const std::optional<kvt::RegistryHive> again = kvt::parseRegeditText(kvt::regeditText(*hive));
    if (!again || !(*again == *hive))
        std::abort();
    return 0;
}
