#include "speedtest/ui/speed_test_window.h"

#include "speedtest/single_speed_test.h"

#include <QListWidget>
#include <QPushButton>

namespace kvt::ui {

TForm1::TForm1(SingleSpeedTest& engine, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      engine_(engine), mainWindow_(mainWindow), ListBox1_(new QListWidget(this)),
      Button1_(new QPushButton(this)) {
    setObjectName(QStringLiteral("TForm1"));
    setFixedSize(254, 205);
    ListBox1_->setObjectName(QStringLiteral("ListBox1"));
    ListBox1_->setGeometry(8, 8, 238, 157);
    ListBox1_->setSelectionMode(QAbstractItemView::SingleSelection);
    Button1_->setObjectName(QStringLiteral("Button1"));
    Button1_->setGeometry(82, 171, 90, 26);
    applyTexts();

    connect(Button1_, &QPushButton::clicked, &engine_, &SingleSpeedTest::Button1Click);
    connect(&engine_, &SingleSpeedTest::listChanged, this, &TForm1::refreshList);
    connect(&engine_, &SingleSpeedTest::showRequested, this, &TForm1::showForTest);
    refreshList();
}

void TForm1::applyTexts() {
    setWindowTitle(SingleSpeedTest::caption());
    Button1_->setText(SingleSpeedTest::button1Caption());
}

void TForm1::showForTest() {
    applyTexts();
    if (mainWindow_) {
        // Positions are those of the window frames, in screen coordinates.
        const QPoint origin = mainWindow_->frameGeometry().topLeft();
        move(origin.x() + 300, origin.y() + 20);
    }
    show();
    raise();
}

void TForm1::refreshList() {
    const QStringList& lines = engine_.ListBox1();
    // The series only ever appends, or starts over from an empty list.
    if (ListBox1_->count() > lines.size())
        ListBox1_->clear();
    for (int i = ListBox1_->count(); i < lines.size(); ++i)
        ListBox1_->addItem(lines.at(i));
}

} // namespace kvt::ui
