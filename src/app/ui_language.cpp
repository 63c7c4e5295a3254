#include "app/ui_language.h"

namespace kvt {

int UiLanguage = 0;

namespace {
constexpr int kLanguageCount = 3;
}

QStringList LanguageListEntries() {
    return {QStringLiteral("简体中文"), QStringLiteral("English"), QStringLiteral("繁体中文")};
}

int LanguageForListIndex(int listIndex) {
    switch (listIndex) {
    case 1:
        return 2;
    case 2:
        return 3;
    default:
        return 1;
    }
}

bool ApplyLanguageChoice(int listIndex) {
    if (listIndex < 0)
        return false;
    UiLanguage = LanguageForListIndex(listIndex);
    return true;
}

int ListIndexAfterDoubleClick(int listIndex) {
    return listIndex == 0 ? 1 : 0;
}

SavedLanguageChoice ReadSavedLanguage(const QString& savelang) {
    if (savelang.isEmpty())
        return {true, 0, false};
    bool ok = false;
    const int index = savelang.toInt(&ok, 10);
    if (!ok)
        return {};
    if (index < 0 || index >= kLanguageCount)
        return {true, -1, true};
    return {true, index, true};
}

} // namespace kvt
