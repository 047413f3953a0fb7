#pragma once
// Playing a wave file in the background.

#include <string>

// Hands the file to the first audio player found on PATH (pw-play, paplay, aplay) and
// returns at once. Silent when the file or a player is missing; the player's own errors
// (no audio device) go to the null device. While one sound has just started, further
// requests within a short moment are dropped, so that a burst of messages plays one
// sound instead of starting a player per message.
void PlaySoundAsync(const std::string& path);

// Tests: forget when the last sound started.
void ResetSoundThrottleForTesting();
