#include "backend/ui/login_window.h"

#include "app/login_texts.h"
#include "app/page_loader.h"
#include "app/ui/named_widget.h"
#include "app/ui/page_view.h"
#include "app/ui/qt_prompts.h"
#include "app/ui/window_geometry.h"
#include "backend/endpoints.h"
#include "backend/login_engine.h"
#include "backend/session_state.h"
#include "backend/ui/notice_board.h"
#include "backend/ui/update_prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace kvt::ui {

namespace {

QLabel* fieldLabel(QWidget* parent, const char* name, const QString& text, int top) {
    QLabel* label = namedWidget<QLabel>(parent, name, QRect(12, top, 68, 24));
    label->setText(text);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    QPushButton* b = namedWidget<QPushButton>(parent, name, geometry);
    b->setText(text);
    return b;
}

} // namespace

Tfrmlogin::Tfrmlogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Tfrmlogin"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Varnok动态加速器 v8.0.2"));
    setFixedSize(ClientWidth, ClientHeight);

    wb1_ = new PageView(this);
    wb1_->setObjectName(QStringLiteral("wb1"));
    wb1_->setGeometry(0, 0, 352, 80);
    wb1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    wb1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A banner: its picture starts at the pane's corner.
    wb1_->document()->setDocumentMargin(0);

    sGroupBox1_ = namedWidget<QGroupBox>(this, "sGroupBox1", QRect(6, 84, 337, 206));
    sGroupBox1_->setTitle(QStringLiteral("登陆"));

    sLabel1_ = fieldLabel(sGroupBox1_, "sLabel1", QStringLiteral("用户名:"), 26);
    sLabel2_ = fieldLabel(sGroupBox1_, "sLabel2", QStringLiteral("密  码:"), 60);
    sLabel3_ = fieldLabel(sGroupBox1_, "sLabel3", QStringLiteral("语  言:"), 94);

    edt_user_ = namedWidget<QLineEdit>(sGroupBox1_, "edt_user", QRect(82, 26, 150, 24));
    edt_pass_ = namedWidget<QLineEdit>(sGroupBox1_, "edt_pass", QRect(82, 60, 150, 24));
    edt_pass_->setEchoMode(QLineEdit::Password);
    // Masked with "*" as designed, whatever the style's own mask character.
    edt_pass_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    sLabel1_->setBuddy(edt_user_);
    sLabel2_->setBuddy(edt_pass_);

    lang_ = namedWidget<QComboBox>(sGroupBox1_, "lang", QRect(82, 94, 150, 24));
    lang_->addItems(
        {QStringLiteral("简体中文"), QStringLiteral("English"), QStringLiteral("繁体中文")});
    lang_->setCurrentIndex(0);
    lang_->installEventFilter(this);
    sLabel3_->setBuddy(lang_);

    sButton1_ = button(sGroupBox1_, "sButton1", QStringLiteral("帐户注册"), QRect(240, 25, 84, 26));
    sButton2_ = button(sGroupBox1_, "sButton2", QStringLiteral("帐户充值"), QRect(240, 59, 84, 26));

    chkpass_ = namedWidget<QCheckBox>(sGroupBox1_, "chkpass", QRect(82, 128, 120, 22));
    chkpass_->setText(QStringLiteral("记住密码"));
    // Its state is stored with the other choices but the user never sees it.
    chkstatus_ = namedWidget<QCheckBox>(sGroupBox1_, "chkstatus", QRect(200, 128, 120, 22));
    chkstatus_->hide();

    btn_login_ = button(sGroupBox1_, "btn_login", QStringLiteral("登  陆"), QRect(70, 162, 92, 32));
    btn_exit_ = button(sGroupBox1_, "btn_exit", QStringLiteral("关  闭"), QRect(176, 162, 92, 32));
    btn_login_->setDefault(true);

    Panel1_ = namedWidget<QFrame>(this, "Panel1", QRect(0, 295, ClientWidth, 28));
    Panel1_->setFrameShape(QFrame::StyledPanel);
    Panel1_->setFrameShadow(QFrame::Sunken);
    Label3_ = namedWidget<QLabel>(Panel1_, "Label3", QRect(6, 2, ClientWidth - 12, 24));
    QPalette red = Label3_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label3_->setPalette(red);

    setTabOrder(edt_user_, edt_pass_);
    setTabOrder(edt_pass_, lang_);
    setTabOrder(lang_, chkpass_);
    setTabOrder(chkpass_, btn_login_);
    setTabOrder(btn_login_, btn_exit_);
    setTabOrder(btn_exit_, sButton1_);
    setTabOrder(sButton1_, sButton2_);
    edt_user_->setFocus();

    connect(btn_login_, &QPushButton::clicked, this, &Tfrmlogin::btn_loginClick);
    connect(btn_exit_, &QPushButton::clicked, this, &Tfrmlogin::btn_exitClick);
    connect(sButton1_, &QPushButton::clicked, this, &Tfrmlogin::sButton1Click);
    connect(sButton2_, &QPushButton::clicked, this, &Tfrmlogin::sButton2Click);
    // Only a choice by the user is a change; selecting an entry from code applies nothing.
    connect(lang_, &QComboBox::activated, this, &Tfrmlogin::langChange);

    bannerUrl_ = ServicePageUrl(endpoints().bannerHost, QStringLiteral("top.htm"));
    noticeUrl_ = ServicePageUrl(endpoints().noticeHost, QStringLiteral("right.htm"));
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(1000);
    connect(Timer1_, &QTimer::timeout, this, &Tfrmlogin::Timer1Timer);
    Timer1_->start();
}

Tfrmlogin::~Tfrmlogin() {
    if (engine_) {
        engine_->showUpdatePrompt = nullptr;
        disconnect(engine_, nullptr, this, nullptr);
    }
}

void Tfrmlogin::setEngine(LoginEngine* engine) {
    if (engine_) {
        engine_->showUpdatePrompt = nullptr;
        disconnect(engine_, nullptr, this, nullptr);
    }
    engine_ = engine;
    if (!engine)
        return;
    connect(engine, &LoginEngine::fieldsChanged, this, &Tfrmlogin::engineFieldsChanged);
    connect(engine, &LoginEngine::textsChanged, this, &Tfrmlogin::engineTextsChanged);
    connect(engine, &LoginEngine::label3Changed, this, &Tfrmlogin::engineLabel3Changed);
    connect(engine, &LoginEngine::closeRequested, this, &QDialog::accept);
    connect(engine, &LoginEngine::noticeBoardDestroyRequested, this,
            &Tfrmlogin::destroyNoticeBoard);
    engine->showUpdatePrompt = [this] {
        // Over the login window, which stays on top of everything else.
        TForm6 prompt(this);
        prompt.exec();
    };
    engineFieldsChanged();
    engineLabel3Changed();
}

void Tfrmlogin::FormCreate() {
    setWindowTitle(ApplicationTitle());
    if (engine_)
        engine_->FormCreate();
}

void Tfrmlogin::copyBoxesToEngine() {
    if (!engine_)
        return;
    engine_->edt_user = edt_user_->text();
    engine_->edt_pass = edt_pass_->text();
    engine_->chkpass = chkpass_->isChecked();
    engine_->chkstatus = chkstatus_->isChecked();
    engine_->lang = lang_->currentIndex();
}

void Tfrmlogin::engineFieldsChanged() {
    if (!engine_)
        return;
    edt_user_->setText(engine_->edt_user);
    edt_pass_->setText(engine_->edt_pass);
    chkpass_->setChecked(engine_->chkpass);
    chkstatus_->setChecked(engine_->chkstatus);
    lang_->setCurrentIndex(engine_->lang >= 0 && engine_->lang < lang_->count() ? engine_->lang
                                                                                : -1);
}

void Tfrmlogin::engineTextsChanged() {
    const QString title = ApplicationTitle();
    if (prompts_)
        prompts_->setTitle(title);
    for (const NamedText& entry : Entries(LoginTexts())) {
        const QString name = QLatin1String(entry.control);
        // The status line is the engine's (label3Changed follows).
        if (name == QLatin1String("Label3"))
            continue;
        setControlText(name == QLatin1String("caption") ? objectName() : name, entry.text);
    }
}

void Tfrmlogin::engineLabel3Changed() {
    if (!engine_)
        return;
    Label3_->setText(engine_->Label3);
    Label3_->setVisible(engine_->Label3Visible);
}

bool Tfrmlogin::setControlText(const QString& name, const QString& text) {
    return ui::setControlText(this, name, text);
}

QString Tfrmlogin::controlText(const QString& name) const {
    return ui::controlText(this, name);
}

int Tfrmlogin::applyTexts(const ControlTexts& texts) {
    return applyControlTexts(this, texts);
}

TForm5* Tfrmlogin::noticeBoard() const {
    return noticeBoard_.data();
}

TForm5* Tfrmlogin::openNoticeBoard() {
    if (!noticeBoard_) {
        // Its own top-level window, not owned by the login window and not kept on top.
        noticeBoard_ = new TForm5();
        noticeBoard_->setAttribute(Qt::WA_DeleteOnClose);
        noticeBoard_->page()->showUrl(noticeUrl_);
    }
    placeNoticeBoard();
    noticeBoard_->show();
    noticeShown_ = true;
    raise();
    activateWindow();
    return noticeBoard_;
}

void Tfrmlogin::placeNoticeBoard() {
    if (!noticeBoard_)
        return;
    // On screens whose window frames are wider than the designed one the board would cover the
    // login window's right edge; it then starts just right of the frame.
    const QRect frame = frameGeometry();
    noticeBoard_->move(frame.left() + std::max(NoticeBoardOffset, frame.width()), frame.top());
}

void Tfrmlogin::destroyNoticeBoard() {
    delete noticeBoard_.data();
}

void Tfrmlogin::btn_loginClick() {
    emit handlerCalled(QStringLiteral("btn_loginClick"));
    if (!engine_)
        return;
    copyBoxesToEngine();
    engine_->btn_loginClick();
}

void Tfrmlogin::btn_exitClick() {
    emit handlerCalled(QStringLiteral("btn_exitClick"));
    reject();
}

void Tfrmlogin::sButton1Click() {
    emit handlerCalled(QStringLiteral("sButton1Click"));
    if (hooks.sButton1Click)
        hooks.sButton1Click();
}

void Tfrmlogin::sButton2Click() {
    emit handlerCalled(QStringLiteral("sButton2Click"));
    if (hooks.sButton2Click)
        hooks.sButton2Click();
}

void Tfrmlogin::langChange() {
    emit handlerCalled(QStringLiteral("langChange"));
    if (!engine_)
        return;
    copyBoxesToEngine();
    engine_->langChange();
}

void Tfrmlogin::langDblClick() {
    if (engine_) {
        emit handlerCalled(QStringLiteral("langDblClick"));
        copyBoxesToEngine();
        engine_->langDblClick();
        return;
    }
    lang_->setCurrentIndex(lang_->currentIndex() == 0 ? 1 : 0);
    langChange();
}

void Tfrmlogin::Timer1Timer() {
    if (!isVisible())
        return;
    Timer1_->stop();
    openNoticeBoard();
    Session().NoticeShown = QStringLiteral("2");
}

void Tfrmlogin::showEvent(QShowEvent* event) {
    const bool first = !shownOnce_;
    if (first) {
        shownOnce_ = true;
        centerOnScreen(this);
    }
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (first)
        wb1_->showUrl(bannerUrl_);
    emit handlerCalled(QStringLiteral("FormShow"));
}

void Tfrmlogin::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (noticeShown_)
        placeNoticeBoard();
}

void Tfrmlogin::keyPressEvent(QKeyEvent* event) {
    // Esc is the cancel button, as designed: it runs btn_exit's handler, not just a close.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btn_exit_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tfrmlogin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lang_ && event->type() == QEvent::MouseButtonDblClick) {
        langDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kvt::ui
