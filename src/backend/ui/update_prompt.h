#pragma once

#include "app/ui/control_texts.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace kvt::ui {

// The update prompt: a red notice and the choice between downloading the new version now and
// later. Its texts follow the language each time it is shown. The download button opens the
// update address and records the choice (UpdatePromptDownload); exec() gives Accepted for the
// download and Rejected for later or the close box.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 379;
    static constexpr int ClientHeight = 94;

    explicit TForm6(QWidget* parent = nullptr);

    QLabel* sLabel1() const { return sLabel1_; }
    QPushButton* sButton1() const { return sButton1_; }
    QPushButton* sButton2() const { return sButton2_; }

    // Texts by control name; "TForm6" stands for the caption.
    bool setControlText(const QString& name, const QString& text);
    QString controlText(const QString& name) const;
    int applyTexts(const ControlTexts& texts);

public slots:
    // Sets the caption and the texts in the current language.
    void applyLanguageTexts();

    // Download now: opens the update address, records the choice, closes as accepted.
    void sButton1Click();
    // Later: closes the prompt as rejected.
    void sButton2Click();

signals:
    void handlerCalled(const QString& handler);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* sLabel1_;
    QPushButton* sButton1_;
    QPushButton* sButton2_;
    bool centred_ = false;
};

} // namespace kvt::ui
