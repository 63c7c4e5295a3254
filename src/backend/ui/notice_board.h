#pragma once

#include <QWidget>

namespace kvt::ui {

class PageView;

// The notice board beside the login window: one page view filling the window. The login
// window opens it, places it and keeps it beside itself while it moves.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 211;
    static constexpr int ClientHeight = 323;

    explicit TForm5(QWidget* parent = nullptr);

    // The page view, "WebBrowser1".
    PageView* page() const { return page_; }

private:
    PageView* page_;
};

} // namespace kvt::ui
