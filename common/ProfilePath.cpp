#include "ProfilePath.h"

#include "AppPath.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kPerUserProfileMarker = "per-user-profile";

namespace {
const char* const kProfileName = "Setup.ini";

std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const passwd* pw = getpwuid(getuid());
    return pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

bool PerUserProfile() { return access(AppFilePath(kPerUserProfileMarker).c_str(), F_OK) == 0; }

// The XDG rule: a relative or empty XDG_CONFIG_HOME is ignored.
std::string ConfigDirectory()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const std::string home = HomeDirectory();
    return home.empty() ? std::string() : home + "/.config";
}
} // namespace

std::string ProfileFilePath()
{
    if (!PerUserProfile())
        return AppFilePath(kProfileName);
    const std::string config = ConfigDirectory();
    // Nowhere of the user's own to go: the shared folder, where saving simply fails.
    if (config.empty())
        return AppFilePath(kProfileName);
    return config + "/linquo/" + kProfileName;
}

void GetProfilePath(char* dest, size_t size) { CopyPathText(dest, size, ProfileFilePath()); }

void MakeProfileFolder(const char* path)
{
    // The program directory exists already, and a folder that has gone from under a
    // profile beside the program (a removed copy) is not to be made again.
    if (!PerUserProfile())
        return;
    std::string dir(path);
    const size_t slash = dir.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    dir.resize(slash);
    // Each missing level in turn; the user's configuration folders are private to them.
    for (size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        const std::string level = dir.substr(0, pos);
        if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return;
        if (pos == std::string::npos)
            return;
    }
}
