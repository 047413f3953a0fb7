#pragma once
// Files beside the program that the lobby uses: the announcer it starts and the sound it
// plays for every arriving private message. Built by the application at start-up (the
// announcer's path) and by the lobby's initialisation (the sound's path).

extern char g_szSenderPath[1024];
extern char g_szSoundPath[1024];
