#include "TempAppDir.h"

#include "AppPath.h"
#include "Profile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TempAppDir::TempAppDir()
{
    char tmpl[] = "/tmp/linquo-test-XXXXXX";
    char* dir = mkdtemp(tmpl);
    m_path = std::string(dir ? dir : "/tmp") + "/";
    SetAppDirectoryForTesting(m_path);
    std::snprintf(g_szSetupPath, sizeof g_szSetupPath, "%sSetup.ini", m_path.c_str());
}

TempAppDir::~TempAppDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
    SetAppDirectoryForTesting("");
}

void TempAppDir::Write(const std::string& name, const std::string& bytes) const
{
    std::ofstream(File(name), std::ios::binary) << bytes;
}

std::string TempAppDir::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
