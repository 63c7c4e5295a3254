#pragma once

#include <QPointer>
#include <QWidget>

class QListWidget;
class QPushButton;

namespace kvt {
class SingleSpeedTest;
}

namespace kvt::ui {

// The single speed test window `TForm1`: a list box `ListBox1` with one line per echo and the
// button `Button1` ("Retry Test"). Fixed size (client area 254 x 205) with system menu and
// minimise box; shown without being modal beside the main window each time a test starts,
// and kept (hidden when closed) for the next test.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // `mainWindow` is the window it is placed against (top + 20, left + 300); it also owns
    // this window when given.
    explicit TForm1(SingleSpeedTest& engine, QWidget* mainWindow = nullptr);

    QListWidget* ListBox1() const { return ListBox1_; }
    QPushButton* Button1() const { return Button1_; }

    // Caption and button text in the current language.
    void applyTexts();

private:
    void showForTest();
    void refreshList();

    SingleSpeedTest& engine_;
    QPointer<QWidget> mainWindow_;
    QListWidget* ListBox1_;
    QPushButton* Button1_;
};

} // namespace kvt::ui
