#pragma once
// Paths beside the running program. Works before any Qt object exists.

#include <cstddef>
#include <string>

// Writes the program directory, with its trailing separator, followed by name into
// dest (always NUL-terminated; a path that does not fit is cut).
void GetAppFilePath(char* dest, size_t size, const char* name);
// Copies path into a fixed buffer of size bytes, cut to fit, always NUL-terminated.
void CopyPathText(char* dest, size_t size, const std::string& path);
std::string AppFilePath(const std::string& name);
// The directory of the running executable, with a trailing '/'.
std::string AppDirectory();
// Tests may point the program directory elsewhere.
void SetAppDirectoryForTesting(const std::string& dir);
