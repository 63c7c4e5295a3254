#include "app/ui_language.h"

namespace kvt {

int UiLanguage = 0;

} // namespace kvt
