#pragma once
// Where Setup.ini lives. Linquo and Sender both ask here, so they always read the same
// file. Works before any Qt object exists.
//
// A program directory that holds the marker file keeps no profile of its own: it is
// shared by every user of the machine and not writable by them, so each user's profile
// goes to their configuration folder. Without the marker (a build folder, a copied
// folder) the profile stays beside the program.

#include <cstddef>
#include <string>

// The marker's name in the program directory.
extern const char* const kPerUserProfileMarker;

std::string ProfileFilePath();
// The same, written into dest (always NUL-terminated; a path that does not fit is cut).
void GetProfilePath(char* dest, size_t size);
// With a per-user profile, creates the folder that holds path when it is missing (parents
// included), so that the first save into a fresh configuration folder succeeds.
void MakeProfileFolder(const char* path);
