#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread
// (through a self-pipe), so that the program can say goodbye and save its profile
// instead of dying in the middle of a run.

#include <QObject>

class QSocketNotifier;

class CTerminationWatcher : public QObject {
    Q_OBJECT
public:
    explicit CTerminationWatcher(QObject* parent = nullptr);
    ~CTerminationWatcher() override;

signals:
    void TerminationRequested(int signalNumber);

private:
    void OnReadable();
    QSocketNotifier* m_pNotifier = nullptr;
};
