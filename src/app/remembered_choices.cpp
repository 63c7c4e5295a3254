#include "app/remembered_choices.h"

#include "app/registry_helper.h"

namespace kvt {

namespace {

const QString kLoginKey = QStringLiteral("Software\\vidizirevoror");
const QString kLastChoiceKey = QStringLiteral("SOFTWARE\\vidizirevoror");

} // namespace

std::optional<int> parseDecimalIndex(const QString& text) {
    qsizetype digitsFrom = 0;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        digitsFrom = 1;
    if (text.size() == digitsFrom)
        return std::nullopt;
    for (qsizetype i = digitsFrom; i < text.size(); ++i)
        if (text.at(i) < u'0' || text.at(i) > u'9')
            return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

LoginChoices readLoginChoices(RegistryStore& store) {
    LoginChoices choices;
    strings4 registry(store);
    registry.selectRoot(RegistryRoot::CurrentUser);
    if (!registry.openKey(kLoginKey, true))
        return choices;

    registry.selectValue(QStringLiteral("savepassword"));
    choices.savePassword = registry.readBool();
    if (!choices.savePassword)
        return choices;
    if (*choices.savePassword) {
        registry.selectValue(QStringLiteral("username"));
        choices.userName = registry.readString();
        if (!choices.userName)
            return choices;
        registry.selectValue(QStringLiteral("password"));
        choices.password = registry.readString();
        if (!choices.password)
            return choices;
    }
    registry.selectValue(QStringLiteral("savelang"));
    const std::optional<QString> language = registry.readString();
    if (!language)
        return choices;
    if (!language->isEmpty()) {
        choices.languageIndex = parseDecimalIndex(*language);
        if (!choices.languageIndex)
            return choices;
    }
    registry.closeKey();
    choices.complete = true;
    return choices;
}

bool writeLoginChoices(const SavedLoginChoices& choices, RegistryStore& store) {
    strings4 registry(store);
    registry.selectRoot(RegistryRoot::CurrentUser);
    if (!registry.openKey(kLoginKey, true))
        return false;
    registry.selectValue(QStringLiteral("savepassword"));
    if (!registry.writeBool(choices.savePassword))
        return false;
    registry.selectValue(QStringLiteral("saveautodial"));
    if (!registry.writeBool(choices.saveAutoDial))
        return false;
    registry.selectValue(QStringLiteral("savelang"));
    if (!registry.writeString(QString::number(choices.languageIndex)))
        return false;
    if (choices.savePassword) {
        registry.selectValue(QStringLiteral("username"));
        if (!registry.writeString(choices.userName))
            return false;
        registry.selectValue(QStringLiteral("password"));
        if (!registry.writeString(choices.password))
            return false;
    }
    registry.closeKey();
    return true;
}

LastChoiceTexts readLastChoice(RegistryStore& store) {
    LastChoiceTexts texts;
    if (store.createKey(RegistryRoot::LocalMachine, kLastChoiceKey) != RegistryStatus::Ok)
        return texts;
    const auto read = [&](const QString& name) -> std::optional<QString> {
        const RegistryRead<QString> value =
            store.readString(RegistryRoot::LocalMachine, kLastChoiceKey, name);
        if (value.ok())
            return value.value;
        if (value.status == RegistryStatus::ValueNotFound)
            return QString();
        return std::nullopt;
    };
    texts.area = read(QStringLiteral("AREACombobox2"));
    if (texts.area)
        texts.line = read(QStringLiteral("IPCombobox2"));
    return texts;
}

bool writeLastChoice(int areaIndex, int lineIndex, RegistryStore& store) {
    return store.createKey(RegistryRoot::LocalMachine, kLastChoiceKey) == RegistryStatus::Ok &&
           store.writeString(RegistryRoot::LocalMachine, kLastChoiceKey,
                             QStringLiteral("AREACombobox2"),
                             QString::number(areaIndex)) == RegistryStatus::Ok &&
           store.writeString(RegistryRoot::LocalMachine, kLastChoiceKey,
                             QStringLiteral("IPCombobox2"),
                             QString::number(lineIndex)) == RegistryStatus::Ok;
}

std::optional<int> lastChoiceIndex(const QString& text) {
    if (text.isEmpty() || text == QLatin1String("-1"))
        return 0;
    return parseDecimalIndex(text);
}

} // namespace kvt
