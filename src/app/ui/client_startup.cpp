#include "app/ui/client_startup.h"

#include "app/login_texts.h"
#include "app/main_window_engine.h"
#include "app/ui/main_window.h"
#include "app/ui/qt_prompts.h"
#include "backend/login_engine.h"
#include "backend/ui/login_window.h"
#include "backend/ui/update_prompt.h"
#include "netcfg/network_configuration.h"
#include "speedtest/batch_speed_test.h"
#include "speedtest/single_speed_test.h"
#include "speedtest/ui/speed_test_window.h"
#include "vpn/remote_access.h"
#include "vpn/vpn_engine.h"

#include <QCheckBox>
#include <QLabel>
#include <QPalette>

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
    // Windows before the engines they show; the connection engine before what it drives.
    updatePrompt_.reset();
    speedTestWindow_.reset();
    hiddenLogin_.reset();
    hiddenLoginEngine_.reset();
    mainWindow_.reset();
    singleSpeedTest_.reset();
    batchSpeedTest_.reset();
    vpn_.reset();
    remoteAccess_.reset();
    network_.reset();
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
    createConnection();

    // Reads the choices the login has just saved and applies the language again.
    hiddenLoginEngine_ = std::make_unique<LoginEngine>(engine_.get());
    hiddenLogin_ = std::make_unique<Tfrmlogin>();
    hiddenLogin_->setPrompts(qtPrompts_.get());
    hiddenLogin_->setEngine(hiddenLoginEngine_.get());
    hiddenLogin_->FormCreate();

    createSpeedTests();

    updatePrompt_ = std::make_unique<TForm6>();
    return true;
}

void ClientStartup::createSpeedTests() {
    batchSpeedTest_ = std::make_unique<BatchSpeedTest>(*engine_);
    singleSpeedTest_ = std::make_unique<SingleSpeedTest>(*engine_);
    // Placed against the main window and destroyed before it (which unlinks it as a child).
    speedTestWindow_ = std::make_unique<TForm1>(*singleSpeedTest_, mainWindow_.get());
    BatchSpeedTest* batch = batchSpeedTest_.get();
    SingleSpeedTest* single = singleSpeedTest_.get();
    Tfrmmain* window = mainWindow_.get();
    window->hooks.btn_speedClick = [batch] {
        batch->btn_speedClick();
    };
    window->hooks.cesuClick = [single] {
        single->cesuClick();
    };
    window->hooks.N17Click = [single] {
        single->N17Click();
    };
    // A connection that comes up ends a running batch test.
    if (vpn_)
        vpn_->stopBatchSpeedTest = [batch] {
            batch->stopBatchTest();
        };
}

void ClientStartup::createConnection() {
    remoteAccess_ = CreateRemoteAccess();
    network_ = std::make_unique<InactiveNetworkConfiguration>();
    vpn_ = std::make_unique<VpnEngine>(*engine_, *remoteAccess_, *network_);
    VpnEngine* vpn = vpn_.get();
    Tfrmmain* window = mainWindow_.get();

    window->hooks.btn_connClick = [vpn] {
        vpn->btn_connClick();
    };
    window->hooks.N18Click = [vpn] {
        vpn->btn_connClick();
    };
    window->hooks.btn_disconnClick = [vpn] {
        vpn->btn_disconnClick();
    };
    window->hooks.rb_pptpClick = [vpn] {
        vpn->rb_pptp = true;
        vpn->rb_pptpClick();
    };
    window->hooks.rb_lp2pClick = [vpn] {
        vpn->rb_pptp = false;
        vpn->rb_lp2pClick();
    };
    if (auto* encryption = window->findChild<QCheckBox*>(QStringLiteral("sCheckBox1"))) {
        vpn->sCheckBox1 = encryption->isChecked();
        connect(encryption, &QCheckBox::toggled, vpn, [vpn](bool on) { vpn->sCheckBox1 = on; });
    }

    // The line and traffic labels change colour with the connection; the window shows the
    // texts, the connection engine owns these two colours.
    auto applyColours = [window, vpn] {
        const QPair<const char*, quint32> labels[] = {{"linelabel", vpn->linelabelColor},
                                                      {"datalabel", vpn->datalabelColor}};
        for (const auto& [name, rgb] : labels) {
            if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name))) {
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(rgb)));
                label->setPalette(palette);
            }
        }
    };
    connect(engine_.get(), &MainWindowEngine::statusPanelChanged, window, applyColours);
    applyColours();
}

} // namespace kvt::ui
