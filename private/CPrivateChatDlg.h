#pragma once
// The one-to-one conversation with one peer. The lobby creates it (hidden), fills m_peer
// and m_pLobby, and keeps it until the lobby closes; closing the window only hides it.

#include "Records.h"

#include <QDialog>

#include <string>

class CTranscriptView;
class ILobby;
class QLineEdit;
class QPushButton;

class CPrivateChatDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPrivateChatDlg(QWidget* parent = nullptr);
    CPrivateChatDlg(const UserEntry& peer, ILobby* lobby, QWidget* parent = nullptr);
    ~CPrivateChatDlg() override;

    // Appends "[speaker]说: text" in the speaker's colours.
    void ShowPrivateLine(const UserEntry& speaker, const std::string& text);

    UserEntry m_peer;
    ILobby* m_pLobby = nullptr;
    // A received message waits unseen in this hidden window; showing or hiding clears it.
    bool m_bUnread = false;

    CTranscriptView* Transcript() const { return m_transcript; }
    QLineEdit* InputLine() const { return m_input; }
    QPushButton* SendButton() const { return m_sendButton; }

public slots:
    void OnSend();
    // Enter elsewhere in the window does nothing.
    void accept() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnShowState();
    void CentreOnScreen();

    CTranscriptView* m_transcript = nullptr;
    QLineEdit* m_input = nullptr;
    QPushButton* m_sendButton = nullptr;
};
