#include "backend/update_download.h"

#include "app/user_prompts.h"
#include "backend/session_state.h"

namespace kvt {

void UpdatePromptDownload() {
    Prompts().openUrl(Session().UpdateUrl);
    Session().UpdateChoice = QStringLiteral("2");
}

} // namespace kvt
