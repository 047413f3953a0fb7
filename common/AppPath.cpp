#include "AppPath.h"

#include <climits>
#include <cstring>
#include <unistd.h>

namespace {
std::string& Override()
{
    static std::string dir;
    return dir;
}
} // namespace

std::string AppDirectory()
{
    if (!Override().empty())
        return Override();
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return "./";
    std::string path(buf, size_t(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

void SetAppDirectoryForTesting(const std::string& dir)
{
    Override() = dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

std::string AppFilePath(const std::string& name) { return AppDirectory() + name; }

void CopyPathText(char* dest, size_t size, const std::string& path)
{
    if (size == 0)
        return;
    const size_t n = path.size() < size - 1 ? path.size() : size - 1;
    std::memcpy(dest, path.data(), n);
    dest[n] = '\0';
}

void GetAppFilePath(char* dest, size_t size, const char* name)
{
    CopyPathText(dest, size, AppFilePath(name));
}
