#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace kvt {
class LoginEngine;
class MainWindowEngine;
class NetworkConfiguration;
class RemoteAccess;
class BatchSpeedTest;
class SingleSpeedTest;
class UserPrompts;
class VpnEngine;
} // namespace kvt

namespace kvt::ui {

class QtPrompts;
class TForm1;
class TForm6;
class Tfrmlogin;
class Tfrmmain;

// The program's start after the command line: the prompts, the main window (whose creation
// runs the login), the second login window that is never shown (its creation applies the
// language the login just saved once more, to both windows), and the hidden instances of the
// other windows. The caller then shows the main window and runs the event loop; the main
// window's close sequence ends the process through endProcess.
class ClientStartup : public QObject {
    Q_OBJECT
public:
    // `prompts`: what the engine's messages go through; null installs this start-up's own
    // QtPrompts (a test passes its recording prompts).
    explicit ClientStartup(UserPrompts* prompts = nullptr, QObject* parent = nullptr);
    ~ClientStartup() override;

    // Ends the process with the close sequence's exit code. Defaults to leaving the
    // application's event loop (which also leaves any nested loop); main() then returns.
    std::function<void(int)> endProcess;

    // Creates the windows in order. Returns false when the process is to end already (the
    // login did not succeed): exitCode() tells the code and the main window was never shown.
    bool start();
    // The close sequence has ended the process (start() returned false, or the main window
    // was closed later).
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

    MainWindowEngine& engine() { return *engine_; }
    // The connection's engine; null until the login succeeded.
    VpnEngine* vpn() const { return vpn_.get(); }
    // The speed tests and the single test's window; null until the login succeeded.
    BatchSpeedTest* batchSpeedTest() const { return batchSpeedTest_.get(); }
    SingleSpeedTest* singleSpeedTest() const { return singleSpeedTest_.get(); }
    TForm1* speedTestWindow() const { return speedTestWindow_.get(); }
    Tfrmmain* mainWindow() const { return mainWindow_.get(); }
    // The second login window, never shown; null until start() got that far.
    Tfrmlogin* hiddenLoginWindow() const { return hiddenLogin_.get(); }
    TForm6* hiddenUpdatePrompt() const { return updatePrompt_.get(); }
    // This start-up's QtPrompts; its caption follows the language even when a test's prompts
    // are installed instead.
    QtPrompts& qtPrompts() { return *qtPrompts_; }

signals:
    // The login window of the main window's creation exists and has read the remembered
    // choices; it is shown modally right after.
    void loginWindowOpened(kvt::ui::Tfrmlogin* window);

private:
    // The remote-access components and the connection engine, and the window's handlers
    // that reach them.
    void createConnection();
    // The batch and single speed tests and the window of the single test.
    void createSpeedTests();

    std::unique_ptr<QtPrompts> qtPrompts_;
    bool ownPrompts_ = false;
    std::unique_ptr<MainWindowEngine> engine_;
    std::unique_ptr<RemoteAccess> remoteAccess_;
    std::unique_ptr<NetworkConfiguration> network_;
    std::unique_ptr<VpnEngine> vpn_;
    std::unique_ptr<BatchSpeedTest> batchSpeedTest_;
    std::unique_ptr<SingleSpeedTest> singleSpeedTest_;
    std::unique_ptr<TForm1> speedTestWindow_;
    std::unique_ptr<Tfrmmain> mainWindow_;
    std::unique_ptr<LoginEngine> hiddenLoginEngine_;
    std::unique_ptr<Tfrmlogin> hiddenLogin_;
    std::unique_ptr<TForm6> updatePrompt_;
    bool ended_ = false;
    int exitCode_ = 0;
};

} // namespace kvt::ui
