#include "backend/session_state.h"

namespace kvt {

SessionState& Session() {
    static SessionState session;
    return session;
}

} // namespace kvt
