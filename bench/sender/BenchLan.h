#pragma once
// Simulated LANs for the announcer's benchmarks: built by the test harness's lanctl.py
// (namespaces that it removes again), entered by this process with setns().

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

struct BenchHost {
    std::string ns;
    std::string ip;
};

class BenchLan {
public:
    // Builds the topology ("flat16", "routed24", "pair", "shaped24" with its link rate in
    // tc's terms); Ok() is false, with Error(), when this machine cannot (not root, no ip
    // netns).
    BenchLan(const char *topology, int peers = 3, const char *rate = "100mbit");
    ~BenchLan(); // removes the LAN
    BenchLan(const BenchLan &) = delete;
    BenchLan &operator=(const BenchLan &) = delete;

    bool Ok() const { return m_ok; }
    const std::string &Error() const { return m_error; }
    const BenchHost &Announcer() const { return m_announcer; }
    const std::vector<BenchHost> &Peers() const { return m_peers; }

private:
    bool m_ok = false;
    std::string m_error;
    int m_pid = -1;
    int m_stdin = -1;
    BenchHost m_announcer;
    std::vector<BenchHost> m_peers;
};

// Moves the calling thread into a namespace of the LAN until destroyed.
class NetnsScope {
public:
    explicit NetnsScope(const std::string &ns);
    ~NetnsScope();
    bool Ok() const { return m_ok; }

private:
    int m_previous = -1;
    bool m_ok = false;
};

// True when only loopback is up here (the benchmark sweeps a real /16 otherwise).
bool LoopbackOnlyHere();
