#include "LobbyLayout.h"

LobbyGeometry ComputeLobbyLayout(int clientWidth, int clientHeight, int topBarHeight)
{
    const int rest = clientHeight - topBarHeight;
    const int upper = static_cast<int>(rest * 0.4);
    const int lower = static_cast<int>(rest * 0.6);
    LobbyGeometry g;
    g.topBar = QRect(0, 0, clientWidth, topBarHeight);
    g.userList = QRect(0, topBarHeight, clientWidth, upper);
    g.roomList = QRect(0, topBarHeight + upper, clientWidth, lower);
    return g;
}
