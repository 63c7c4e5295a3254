#pragma once

namespace kvt {

// The update prompt's download button: asks the default browser to open `UpdateUrl` (its
// result is not examined; an empty address opens nothing) and records the choice,
// Session().UpdateChoice := "2", which ends the login that showed the prompt.
void UpdatePromptDownload();

} // namespace kvt
