#include "LobbyPaths.h"

char g_szSenderPath[1024] = "";
char g_szSoundPath[1024] = "";
