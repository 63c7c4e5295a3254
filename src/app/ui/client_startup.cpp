#include "app/ui/client_startup.h"

#include "app/login_texts.h"
#include "app/main_window_engine.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_prompts.h"
#include "backend/login_engine.h"
#include "backend/ui/login_window.h"
#include "backend/ui/update_prompt.h"

#include <QApplication>
#include <QDir>

namespace kvt::ui {

ClientStartup::ClientStartup(UserPrompts* prompts, QObject* parent)
    : QObject(parent), qtPrompts_(std::make_unique<QtPrompts>()) {
    ownPrompts_ = prompts == nullptr;
    InstallPrompts(ownPrompts_ ? qtPrompts_.get() : prompts);
    endProcess = [](int code) {
        QCoreApplication::exit(code);
    };
}

ClientStartup::~ClientStartup() {
    // Windows before the engines they show.
    updatePrompt_.reset();
    hiddenLogin_.reset();
    hiddenLoginEngine_.reset();
    mainWindow_.reset();
    engine_.reset();
    if (ownPrompts_)
        InstallPrompts(nullptr);
}

bool ClientStartup::start() {
    // The process ends only through the main window's close sequence; hiding the last window
    // (the login closing, the main window going to the tray) must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    qtPrompts_->setTitle(ApplicationTitle());

    engine_ = std::make_unique<MainWindowEngine>();
    engine_->AppDir =
        QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    engine_->exitProcess = [this](int code) {
        ended_ = true;
        exitCode_ = code;
        if (endProcess)
            endProcess(code);
    };

    mainWindow_ = std::make_unique<Tfrmmain>();
    mainWindow_->setPrompts(qtPrompts_.get());
    mainWindow_->setEngine(engine_.get());
    qtPrompts_->setWindow(mainWindow_.get());
    connect(mainWindow_.get(), &Tfrmmain::loginWindowOpened, this,
            &ClientStartup::loginWindowOpened);
    mainWindow_->FormCreate();
    if (ended_)
        return false;

    // Reads the choices the login has just saved and applies the language again.
    hiddenLoginEngine_ = std::make_unique<LoginEngine>(engine_.get());
    hiddenLogin_ = std::make_unique<Tfrmlogin>();
    hiddenLogin_->setPrompts(qtPrompts_.get());
    hiddenLogin_->setEngine(hiddenLoginEngine_.get());
    hiddenLogin_->FormCreate();

    updatePrompt_ = std::make_unique<TForm6>();
    return true;
}

} // namespace kvt::ui
