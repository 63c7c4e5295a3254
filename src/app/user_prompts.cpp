#include "app/user_prompts.h"

namespace kvt {

namespace {

// Used before any window exists (and by command-line runs): nothing to show, every question
// is answered No so that nothing destructive proceeds unasked.
class SilentPrompts final : public UserPrompts {
public:
    void message(const QString&, Icon) override {}
    bool question(const QString&) override { return false; }
    void balloon(const QString&, const QString&) override {}
    void focus(const QString&) override {}
    void openUrl(const QString&) override {}
};

SilentPrompts silentPrompts;
UserPrompts* installedPrompts = &silentPrompts;

} // namespace

UserPrompts& Prompts() {
    return *installedPrompts;
}

void InstallPrompts(UserPrompts* prompts) {
    installedPrompts = prompts ? prompts : &silentPrompts;
}

} // namespace kvt
