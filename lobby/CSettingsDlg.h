#pragma once
// The nickname and sex under which the others see this user. At the first start it
// runs before any other window; later the lobby runs it, and a confirmed change ends
// the program, since the new identity only takes effect at the next start.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // exec() results: ACCEPTED when the identity was stored, 0 after Cancel, CLOSED after
    // the window was closed from its title bar.
    static constexpr int ACCEPTED = 100;
    static constexpr int CLOSED = 2;
    // The name edit takes this many GBK bytes; the nickname field keeps one less.
    static constexpr int NAME_LIMIT = 20;

    explicit CSettingsDlg(bool firstRun, QWidget* parent = nullptr);

    // Runs the start-up steps (the first-start notice) once, then the modal loop.
    int exec() override;
    void OnInitDialog();

    QLineEdit* NameEdit() const { return m_pNameEdit; }
    QComboBox* SexCombo() const { return m_pSexCombo; }
    QPushButton* OkButton() const { return m_pOkButton; }
    QPushButton* CancelButton() const { return m_pCancelButton; }

public slots:
    void OnConfirm();
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_bFirstRun;
    bool m_bInitDone = false;
    QLineEdit* m_pNameEdit;
    QComboBox* m_pSexCombo;
    QPushButton* m_pOkButton;
    QPushButton* m_pCancelButton;
};
