#include "app/update_prompt_texts.h"

#include "app/ui_language.h"

#include <iterator>

namespace kvt {

namespace {

struct PromptRow {
    QString UpdatePromptWindowTexts::*member;
    const char* control;
    const char* english;
    const char* simplified;
};

const PromptRow kPromptRows[] = {
    {&UpdatePromptWindowTexts::caption, "caption", "Update", "软件更新"},
    {&UpdatePromptWindowTexts::sLabel1, "sLabel1",
     "There have been updated version, the old version may not be available, we strongly "
     "recommend that you download the latest version",
     "已经有新版，请立即下载更新，否则可能无法使用"},
    {&UpdatePromptWindowTexts::sButton1, "sButton1", "Download", "立即下载"},
    {&UpdatePromptWindowTexts::sButton2, "sButton2", "Cancel", "下次再说"},
};
static_assert(sizeof(UpdatePromptWindowTexts) == std::size(kPromptRows) * sizeof(QString),
              "every member of UpdatePromptWindowTexts needs a row");

} // namespace

UpdatePromptWindowTexts UpdatePromptTexts(int language) {
    UpdatePromptWindowTexts texts;
    for (const PromptRow& row : kPromptRows)
        texts.*row.member = TextFor(language, row.english, row.simplified);
    return texts;
}

UpdatePromptWindowTexts UpdatePromptTexts() {
    return UpdatePromptTexts(UiLanguage);
}

QList<NamedText> Entries(const UpdatePromptWindowTexts& texts) {
    QList<NamedText> entries;
    for (const PromptRow& row : kPromptRows)
        entries.append({row.control, texts.*row.member});
    return entries;
}

} // namespace kvt
