#pragma once
// The announcer's one run: find Linquo's lobby, read the profile, announce the user to the
// local /16 network, tell the lobby and wait until it has handled that, then end.
// Every failure shows its message and ends the run without telling the lobby.

#include "CLanSweep.h"
#include "CSenderProfile.h"
#include "LocalAddress.h"

#include <QString>

#include <functional>
#include <vector>

struct SenderHooks {
    // What the run asks of the system; tests replace single entries.
    std::function<bool()> socketSupport;
    std::function<int()> openSocket;
    std::function<std::vector<InterfaceAddress>()> interfaces;

    SenderHooks();
};

class CSender {
public:
    explicit CSender(SenderHooks hooks = SenderHooks());

    // 0 once the lobby has handled the completion message, 1 after a failure.
    int Run();

    const CSenderProfile &Profile() const { return m_profile; }
    const SweepStats &Stats() const { return m_stats; }

private:
    int Fail(const QString &text);

    SenderHooks m_hooks;
    CSenderProfile m_profile;
    SweepStats m_stats;
};

// True when this system can make IPv4 datagram sockets at all.
bool SocketSupportAvailable();
