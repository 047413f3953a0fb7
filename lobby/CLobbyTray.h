#pragma once
// The lobby's icon in the system tray, where the desktop has one: the notifier's count
// in its tooltip and as a mark on the icon, a click that opens the first waiting
// conversation (or brings the lobby up), and a menu to open the lobby or quit through
// the lobby's own exit command. The lobby never hides in it.

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class CMessageNotifier;
class QAction;
class QMenu;
class QWidget;

class CLobbyTray : public QObject {
    Q_OBJECT
public:
    // exitCommand: the lobby's "退出程序" command, with its gate and its question.
    CLobbyTray(CMessageNotifier& notifier, QWidget* lobbyWindow, std::function<void()> exitCommand,
               QObject* parent = nullptr);
    ~CLobbyTray() override;

    // Shows the icon where a system tray exists; elsewhere nothing.
    void Show();
    void Hide();

    // A click on the icon.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    // Tooltip and mark follow the notifier's last count.
    void ShowCount(int count);

    QSystemTrayIcon& Icon() { return m_icon; }
    QAction* OpenAction() const { return m_pOpenAction; }
    QAction* ExitAction() const { return m_pExitAction; }
    // How many the mark on the icon shows; 0 is the plain icon.
    int MarkedCount() const { return m_nMarked; }

private:
    void RaiseLobby();

    CMessageNotifier& m_notifier;
    QWidget* m_pLobbyWindow;
    std::function<void()> m_exitCommand;
    // Parsed once; it keeps its rendered sizes, so a new count only draws the mark.
    QIcon m_baseIcon;
    // Before the icon, so that the icon goes first and never holds a dead menu.
    std::unique_ptr<QMenu> m_pMenu;
    QAction* m_pOpenAction = nullptr;
    QAction* m_pExitAction = nullptr;
    QSystemTrayIcon m_icon;
    int m_nMarked = -1;
};
