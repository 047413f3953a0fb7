#pragma once
// Points the program directory (and so Setup.ini) at a fresh temporary folder for the
// lifetime of the object.

#include <string>

class TempAppDir {
public:
    TempAppDir();
    ~TempAppDir();
    const std::string& Path() const { return m_path; } // ends with '/'
    std::string File(const std::string& name) const { return m_path + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string m_path;
};
