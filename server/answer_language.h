#pragma once

// The language of a script's answer texts, chosen by the script's name: "<name>.php" answers
// in simplified Chinese, "<name>_en.php" in English, "<name>_tw.php" in traditional Chinese.

#include <string_view>

namespace kvt::server {

enum class AnswerLanguage { Simplified, English, Traditional };

inline std::string_view variantSuffix(AnswerLanguage language) {
    switch (language) {
    case AnswerLanguage::English:
        return "_en";
    case AnswerLanguage::Traditional:
        return "_tw";
    case AnswerLanguage::Simplified:
        break;
    }
    return "";
}

} // namespace kvt::server
