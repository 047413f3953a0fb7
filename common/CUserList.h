#pragma once
// The users online in arrival order (theProfile.m_users), read like a vector, with what a
// /16 of 65,536 users needs: finding a user, or the first user of a UserKey, without a
// walk, and removing an entry without moving the ones behind it. A removed entry only
// becomes a hole; a Fenwick tree over the live entries turns a row into its slot and back
// in O(log n), and the holes are squeezed out once they outnumber the live entries, so
// every change costs amortised O(log n) and the rows keep their order.

#include "Records.h"
#include "UserIdentity.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

class CUserList {
    struct Links {
        int32_t prev = -1;
        int32_t next = -1;
    };
    // Links and chains name entries by id, not by slot, so that squeezing out the holes
    // moves entries without touching the hash indexes.
    struct Slot {
        UserEntry user;
        Links same; // the other live entries of the same user (only if listed twice)
        Links key;  // the other live entries of the same UserKey
        bool live = true;
        int32_t id = -1;
    };

public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = UserEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const UserEntry*;
        using reference = const UserEntry&;

        const_iterator() = default;
        reference operator*() const { return (*m_slots)[m_at].user; }
        pointer operator->() const { return &(*m_slots)[m_at].user; }
        const_iterator& operator++();
        const_iterator operator++(int);
        bool operator==(const const_iterator& o) const { return m_at == o.m_at; }
        bool operator!=(const const_iterator& o) const { return m_at != o.m_at; }

    private:
        friend class CUserList;
        const_iterator(const std::vector<Slot>* slots, size_t at);
        const std::vector<Slot>* m_slots = nullptr;
        size_t m_at = 0;
    };
    using iterator = const_iterator;
    using value_type = UserEntry;

    CUserList() = default;
    CUserList(std::initializer_list<UserEntry> users);
    CUserList& operator=(std::initializer_list<UserEntry> users);

    size_t size() const { return m_live; }
    bool empty() const { return m_live == 0; }
    // The entry of a row (0 = first arrived); O(log n).
    const UserEntry& operator[](size_t row) const;
    const_iterator begin() const { return const_iterator(&m_slots, 0); }
    const_iterator end() const { return const_iterator(&m_slots, m_slots.size()); }

    // Appends even when the same user is listed, as a plain list would.
    void push_back(const UserEntry& user);
    // Room for n users, so that no insertion below that many reallocates or rehashes.
    void reserve(size_t n);
    // Anywhere but the end this re-indexes the whole list: for tests and rare callers.
    const_iterator insert(const_iterator pos, const UserEntry& user);
    void erase(const_iterator pos);
    void clear();

    // The row of the first entry that is the same user (SameUser), or -1.
    int IndexOf(const UserEntry& user) const;
    bool Contains(const UserEntry& user) const { return m_bySelf.count(UserIdentity(user)) != 0; }
    // The row of the first entry whose UserKey equals the key, byte for byte, or -1.
    int FindByKey(const std::string& key) const;
    // Removes the first entry that is the same user; its former row, or -1.
    int RemoveFirst(const UserEntry& user);

private:
    struct Chain {
        int32_t first;
        int32_t last;
    };
    using SelfMap = std::unordered_map<UserIdentity, Chain, UserIdentity::Hasher>;
    using KeyMap = std::unordered_map<std::string, Chain>;

    void Assign(std::vector<UserEntry> users);
    void RemoveSlot(size_t slot);
    size_t SlotOfRow(size_t row) const;
    size_t RowOfSlot(size_t slot) const;
    void IndexSlot(size_t slot);
    void Compact();
    std::vector<UserEntry> Live() const;

    template <typename Map, typename Key>
    void Link(Map& map, const Key& key, Links Slot::*links, int32_t slot);
    template <typename Map, typename Key>
    void Unlink(Map& map, const Key& key, Links Slot::*links, int32_t slot);

    size_t SlotOfId(int32_t id) const { return size_t(m_slotOf[size_t(id)]); }
    Slot& ById(int32_t id) { return m_slots[SlotOfId(id)]; }

    std::vector<Slot> m_slots;
    // Where each id's entry is; ids of removed entries are given out again.
    std::vector<int32_t> m_slotOf;
    std::vector<int32_t> m_freeIds;
    // Fenwick tree over the live flags of m_slots, 1-based.
    std::vector<int32_t> m_tree{0};
    size_t m_live = 0;
    SelfMap m_bySelf;
    KeyMap m_byKey;
};
