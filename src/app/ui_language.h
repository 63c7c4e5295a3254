#pragma once

namespace kvt {

// Interface language of the whole process: 1 simplified Chinese, 2 English, 3 traditional
// Chinese; 0 until a language is applied. Every test treats values other than 2 and 3 like 1.
extern int UiLanguage;

} // namespace kvt
