#pragma once
// Tests run as root, whom permission bits do not stop. While an AsNobody lives, the process
// acts as the user "nobody" (root keeps its saved id to come back); run by another user,
// it changes nothing, since the bits already apply.

#include <sys/types.h>
#include <unistd.h>

class AsNobody {
public:
    static constexpr uid_t kNobody = 65534;
    AsNobody()
    {
        if (geteuid() != 0)
            return;
        m_bSwitched =
            setresgid(kNobody, kNobody, 0) == 0 && setresuid(kNobody, kNobody, 0) == 0;
        m_bFailed = !m_bSwitched;
    }
    ~AsNobody()
    {
        if (m_bSwitched || m_bFailed) {
            (void)!setresuid(0, 0, 0);
            (void)!setresgid(0, 0, 0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;
    // For instance in a user namespace that maps only root.
    bool Failed() const { return m_bFailed; }

private:
    bool m_bSwitched = false;
    bool m_bFailed = false;
};
