#pragma once
// The program's skin: a Qt style sheet applied to the whole application.

#include <string>

// Reads the file as a UTF-8 style sheet and applies it to the application. A missing or
// unreadable file, or no QApplication, changes nothing.
void LoadSkin(const std::string& path);
// Back to the platform's own look.
void ReleaseSkin();
