#pragma once
// A user's identity (sex, nickname bytes, address bytes) as a fixed-size hash key, so
// that directories can test for a listed user without walking the list. Bytes after a
// field's NUL are zeroed, so two records are equal keys exactly when SameUser holds.

#include "Records.h"

#include <array>
#include <cstddef>

class UserIdentity {
public:
    explicit UserIdentity(const UserEntry& user);
    bool operator==(const UserIdentity& other) const { return m_bytes == other.m_bytes; }
    size_t Hash() const;

    struct Hasher {
        size_t operator()(const UserIdentity& id) const { return id.Hash(); }
    };

private:
    std::array<char, sizeof(UserEntry)> m_bytes;
};
