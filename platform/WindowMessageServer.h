#pragma once
// The receiving end of window messages: a window that others find by its exact caption
// and send a message to synchronously. It listens on an abstract local socket named after
// the caption; abstract names belong to the network namespace, so each simulated host has
// its own set of "windows", as each desktop does.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

class CWindowMessageServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(unsigned msg, quintptr wParam, qintptr lParam)>;

    explicit CWindowMessageServer(QObject *parent = nullptr);
    ~CWindowMessageServer() override;

    // Makes this window findable by the caption. False when another window of this host
    // already has it.
    bool Listen(const QString &caption);
    // Runs on the GUI thread for each message; the sender waits until it has returned.
    void SetHandler(Handler handler);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket *socket);

    QLocalServer *m_pServer;
    Handler m_handler;
};
