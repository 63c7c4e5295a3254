#include "app/text_choice.h"

#include "app/to_traditional.h"
#include "app/ui_language.h"

namespace kvt {

QString TextFor(int language, const char* english, const char* simplified) {
    if (language == 2)
        return QString::fromUtf8(english);
    if (language == 3)
        return ToTraditional(QString::fromUtf8(simplified));
    return QString::fromUtf8(simplified);
}

QString TextFor(int language, const QString& english, const QString& simplified) {
    if (language == 2)
        return english;
    if (language == 3)
        return ToTraditional(simplified);
    return simplified;
}

QString Tr(const char* english, const char* simplified) {
    return TextFor(UiLanguage, english, simplified);
}

QString Tr(const QString& english, const QString& simplified) {
    return TextFor(UiLanguage, english, simplified);
}

} // namespace kvt
