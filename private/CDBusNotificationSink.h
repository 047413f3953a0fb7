#pragma once
// Desktop notifications through the freedesktop Notifications service on the session
// bus. Without a session bus or without the service nothing shows and nothing waits:
// every call is asynchronous and a failed one is reported as id 0.

#include "INotificationSink.h"

#include <QObject>

class CDBusNotificationSink : public QObject, public INotificationSink {
    Q_OBJECT
public:
    explicit CDBusNotificationSink(QObject* parent = nullptr);
    ~CDBusNotificationSink() override;

    bool IsConnected() const { return m_bConnected; }

    void Notify(quint32 replacesId, const QString& summary, const QString& body,
                IdHandler shown) override;
    void Close(quint32 id) override;
    void SetHandlers(IdHandler activated, IdHandler closed) override;
    bool BodyIsMarkup() const override { return m_bMarkup; }

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);

private:
    void AskCapabilities();

    bool m_bConnected = false;
    // Most services read markup; the answer to GetCapabilities corrects this.
    bool m_bMarkup = true;
    IdHandler m_activated;
    IdHandler m_closed;
};
