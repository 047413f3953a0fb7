#pragma once
// The picture shown while the program comes up: a borderless window centred on the
// screen that closes itself on the second one-second tick. Escape and Enter do not
// dismiss it.

#include <QDialog>

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int TICK_MS = 1000;

    explicit CSplashDlg(QWidget* parent = nullptr);
    int Countdown() const { return m_nCountdown; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_nCountdown = 2;
    int m_nTimerId = 0;
};
