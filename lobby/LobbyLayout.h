#pragma once
// Where the lobby's three large controls go for a client area: the top bar keeps its
// height and stretches in width; below it the user list takes 40 % and the room list
// 60 % of the rest, each truncated toward zero (so a pixel row may stay uncovered).

#include <QRect>

struct LobbyGeometry {
    QRect topBar;
    QRect userList;
    QRect roomList;
};

LobbyGeometry ComputeLobbyLayout(int clientWidth, int clientHeight, int topBarHeight);
