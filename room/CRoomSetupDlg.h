#pragma once
// The name and introduction of the user's own room, asked before the room opens. Ends with
// 100 once both are filled in and stored in theProfile.m_myRoom, 0 on Cancel and 2 from
// the close box.

#include <QDialog>

class QLineEdit;
class QPushButton;

class CRoomSetupDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kConfirmed = 100;
    static constexpr int kCancelled = 0;
    static constexpr int kClosed = 2;

    explicit CRoomSetupDlg(QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return m_nameEdit; }
    QLineEdit* IntroEdit() const { return m_introEdit; }
    QPushButton* OkButton() const { return m_okButton; }
    QPushButton* CancelButton() const { return m_cancelButton; }

public slots:
    void OnRoomOK();
    void OnCancel();
    // Only OnRoomOK confirms; the close box ends with 2.
    void accept() override {}
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_introEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
