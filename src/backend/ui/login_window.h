#pragma once

#include "app/ui/control_texts.h"
#include "backend/login_engine.h"

#include <QDialog>
#include <QPointer>
#include <QUrl>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kvt::ui {

class PageView;
class QtPrompts;
class TForm5;

// The login window: user name, password, interface language, the remember box, the account
// buttons and the status line, with the banner page above them. Shown modally by the main
// window before anything else. The behaviour lives in a LoginEngine (setEngine): each handler
// copies the boxes into it and runs the engine's handler, and the window shows what the
// engine announces. The window itself looks after its notice board. Every handler also
// announces itself (handlerCalled).
class Tfrmlogin : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 349;
    static constexpr int ClientHeight = 323;
    // The notice board stands this far right of the login window's left edge (or just right
    // of its frame, when the frame is wider).
    static constexpr int NoticeBoardOffset = 355;

    explicit Tfrmlogin(QWidget* parent = nullptr);
    // The notice board is not destroyed with the window: after a failed or abandoned login it
    // stays until the program ends; a successful login destroys it (destroyNoticeBoard).
    ~Tfrmlogin() override;

    // The engine behind the handlers (not owned; it must outlive the window or be unset
    // first). The window shows the engine's current boxes and status line at once. Also
    // installs the engine's update prompt (TForm6, modal over this window).
    void setEngine(LoginEngine* engine);
    LoginEngine* engine() const { return engine_; }
    // The prompts whose caption follows the language and whose boxes and focus requests belong
    // to this window while it is open; may be null (a test's recording prompts).
    void setPrompts(QtPrompts* prompts) { prompts_ = prompts; }

    // Creation: caption := the application title, then the engine reads the remembered
    // choices and applies the remembered language.
    void FormCreate();

    // Copies the boxes, the remember box and the language list into the engine.
    void copyBoxesToEngine();

    // Handlers that a later change gives their behaviour; each does nothing until set.
    struct Hooks {
        std::function<void()> sButton1Click; // registration dialog
        std::function<void()> sButton2Click; // top-up dialog
    };
    Hooks hooks;

    PageView* wb1() const { return wb1_; }
    QGroupBox* sGroupBox1() const { return sGroupBox1_; }
    QLabel* sLabel1() const { return sLabel1_; }
    QLabel* sLabel2() const { return sLabel2_; }
    QLabel* sLabel3() const { return sLabel3_; }
    QLineEdit* edt_user() const { return edt_user_; }
    QLineEdit* edt_pass() const { return edt_pass_; }
    QComboBox* lang() const { return lang_; }
    QCheckBox* chkpass() const { return chkpass_; }
    QCheckBox* chkstatus() const { return chkstatus_; }
    QPushButton* sButton1() const { return sButton1_; }
    QPushButton* sButton2() const { return sButton2_; }
    QPushButton* btn_login() const { return btn_login_; }
    QPushButton* btn_exit() const { return btn_exit_; }
    QFrame* Panel1() const { return Panel1_; }
    QLabel* Label3() const { return Label3_; }
    // Opens the notice board at its first tick while the window is visible (1000 ms, running
    // from creation).
    QTimer* Timer1() const { return Timer1_; }

    // Texts by control name; the window's object name "Tfrmlogin" stands for its caption.
    bool setControlText(const QString& name, const QString& text);
    QString controlText(const QString& name) const;
    int applyTexts(const ControlTexts& texts);

    // The banner page wb1 shows when the window is first shown; defaults to top.htm on the
    // banner host.
    QUrl bannerUrl() const { return bannerUrl_; }
    void setBannerUrl(const QUrl& url) { bannerUrl_ = url; }
    // The notice board's page; defaults to right.htm on the notice host.
    QUrl noticeUrl() const { return noticeUrl_; }
    void setNoticeUrl(const QUrl& url) { noticeUrl_ = url; }
    // The open notice board, or null.
    TForm5* noticeBoard() const;
    // True once the notice board was opened (from then on it follows this window).
    bool noticeShown() const { return noticeShown_; }
    // Opens the notice board beside this window (once), shows its page and brings this window
    // back to the front.
    TForm5* openNoticeBoard();
    // Puts the notice board at this window's top, beside its left edge.
    void placeNoticeBoard();
    void destroyNoticeBoard();

public slots:
    void btn_loginClick();
    void btn_exitClick();
    void sButton1Click();
    void sButton2Click();
    // The language list changed by the user.
    void langChange();
    // Double click on the language list: "简体中文" switches to "English", any other entry to
    // "简体中文"; then the change handler runs.
    void langDblClick();
    void Timer1Timer();

    // What the engine announced.
    void engineFieldsChanged();
    void engineTextsChanged();
    void engineLabel3Changed();

signals:
    // A handler ran: its name ("btn_loginClick", "FormShow", ...) for the engine to act on.
    void handlerCalled(const QString& handler);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PageView* wb1_;
    QGroupBox* sGroupBox1_;
    QLabel* sLabel1_;
    QLabel* sLabel2_;
    QLabel* sLabel3_;
    QLineEdit* edt_user_;
    QLineEdit* edt_pass_;
    QComboBox* lang_;
    QCheckBox* chkpass_;
    QCheckBox* chkstatus_;
    QPushButton* sButton1_;
    QPushButton* sButton2_;
    QPushButton* btn_login_;
    QPushButton* btn_exit_;
    QFrame* Panel1_;
    QLabel* Label3_;
    QTimer* Timer1_;

    QPointer<LoginEngine> engine_;
    QtPrompts* prompts_ = nullptr;
    QUrl bannerUrl_;
    QUrl noticeUrl_;
    QPointer<TForm5> noticeBoard_;
    bool noticeShown_ = false;
    bool shownOnce_ = false;
};

} // namespace kvt::ui
