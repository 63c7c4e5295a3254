#pragma once

class QWidget;

namespace kvt::ui {

// Moves a top-level window so that its frame is centred on the available area of the screen
// it is on (the primary screen before it was ever shown).
void centerOnScreen(QWidget* window);

} // namespace kvt::ui
