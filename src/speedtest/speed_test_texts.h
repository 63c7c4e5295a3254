#pragma once

#include <QString>

namespace kvt {

// Texts of the speed tests in the current language (English in language 2, traditional
// Chinese in 3, else simplified Chinese).

// Caption of `btn_speed`: idle, and while the batch test runs.
QString BatSpeedCaption();
QString PauseSpeedCaption();
// Delay of a line whose echo failed in the batch test.
QString FailedDelayText();

// The single-test window `TForm1`: caption and `Button1`.
QString TestSpeedCaption();
QString RetryTestCaption();
// Plain message of the single test when the selected line has no value in the catalogue.
QString LineValueMissingText();

} // namespace kvt
