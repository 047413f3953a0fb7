#pragma once
// Decodes one received datagram and hands it to the handler of its type, if the room
// state lets that type through (reads theProfile.m_hosting and m_joined).

#include <cstddef>

class IDatagramHandler;

// Datagrams that are short, of type 12, above 14 or negative, or whose gate is closed,
// have no effect.
void DispatchDatagram(const void* data, size_t len, IDatagramHandler& handler);
