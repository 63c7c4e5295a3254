#include "backend/ui/notice_board.h"

#include "app/ui/page_view.h"

namespace kvt::ui {

TForm5::TForm5(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("公告栏"));
    setFixedSize(ClientWidth, ClientHeight);
    page_ = new PageView(this);
    page_->setObjectName(QStringLiteral("WebBrowser1"));
    page_->setGeometry(0, 0, ClientWidth, ClientHeight);
}

} // namespace kvt::ui
