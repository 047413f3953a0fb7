#pragma once
// Reads a fuzz input as a script for the lobby: bytes pick users, rooms, texts and
// datagrams from a small grammar, so that an input can name the local user, a listed
// room's creator or a room member as easily as a stranger.

#include "CUserList.h"
#include "Packet.h"
#include "Records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

class LobbyScript {
public:
    // What the script can point at besides its fixed cast: the lobby's current lists.
    struct Scene {
        const CUserList* users = nullptr;
        const std::vector<RoomInfo>* rooms = nullptr;
        const std::vector<UserEntry>* members = nullptr; // the room window's, or null
        const RoomInfo* windowRoom = nullptr;            // the room the window was joined to
        std::vector<UserEntry> chatPeers;
    };

    LobbyScript(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool AtEnd() const { return m_pos >= m_size; }
    // Zero once the input is used up, so that every read is defined.
    uint8_t Byte() { return AtEnd() ? 0 : m_data[m_pos++]; }
    std::string Bytes(size_t n);

    UserEntry User(const Scene& scene);
    RoomInfo Room(const Scene& scene);
    // Raw GBK bytes, valid or not, up to a length the input chooses.
    std::string Text();
    // A datagram built from the grammar (type, then the fields of its form).
    Packet Datagram(const Scene& scene);
    // Bytes taken as they come, possibly shorter than a datagram.
    std::string RawDatagram();

private:
    // Any list with empty(), size() and [] (the profile's user list is not a vector).
    template <typename List>
    auto Pick(const List* list) -> const std::remove_reference_t<decltype((*list)[0])>*;

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};
