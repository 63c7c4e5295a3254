#pragma once

namespace kvt {

// Waits `ms` milliseconds while the event loop runs (timers tick, windows repaint, input is
// handled); returns early when the application is quitting. Handlers must tolerate being
// re-entered from inside such a wait.
void PumpWait(int ms);

// Processes the pending events once, as the windows do around a slow step so that a status
// text is painted before the step blocks.
void PumpMessages();

} // namespace kvt
