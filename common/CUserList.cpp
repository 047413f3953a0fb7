#include "CUserList.h"

#include <utility>

namespace {

size_t LowBit(size_t i) { return i & (~i + 1); }

} // namespace

CUserList::const_iterator::const_iterator(const std::vector<Slot>* slots, size_t at)
    : m_slots(slots), m_at(at)
{
    while (m_at < m_slots->size() && !(*m_slots)[m_at].live)
        ++m_at;
}

CUserList::const_iterator& CUserList::const_iterator::operator++()
{
    do
        ++m_at;
    while (m_at < m_slots->size() && !(*m_slots)[m_at].live);
    return *this;
}

CUserList::const_iterator CUserList::const_iterator::operator++(int)
{
    const_iterator was = *this;
    ++*this;
    return was;
}

CUserList::CUserList(std::initializer_list<UserEntry> users) { Assign(users); }

CUserList& CUserList::operator=(std::initializer_list<UserEntry> users)
{
    Assign(users);
    return *this;
}

const UserEntry& CUserList::operator[](size_t row) const { return m_slots[SlotOfRow(row)].user; }

void CUserList::push_back(const UserEntry& user)
{
    const size_t slot = m_slots.size();
    int32_t id;
    if (m_freeIds.empty()) {
        id = static_cast<int32_t>(m_slotOf.size());
        m_slotOf.push_back(static_cast<int32_t>(slot));
    } else {
        id = m_freeIds.back();
        m_freeIds.pop_back();
        m_slotOf[size_t(id)] = static_cast<int32_t>(slot);
    }
    m_slots.push_back(Slot{user, {}, {}, true, id});
    // A new Fenwick node covers (i - lowbit(i), i]: its older part is a difference of two
    // prefix sums, read before the node exists.
    const size_t i = slot + 1;
    const size_t covered = RowOfSlot(slot) - RowOfSlot(i - LowBit(i));
    m_tree.push_back(static_cast<int32_t>(covered + 1));
    ++m_live;
    IndexSlot(slot);
}

void CUserList::reserve(size_t n)
{
    m_slots.reserve(n);
    m_tree.reserve(n + 1);
    m_slotOf.reserve(n);
    m_bySelf.reserve(n);
    m_byKey.reserve(n);
}

CUserList::const_iterator CUserList::insert(const_iterator pos, const UserEntry& user)
{
    if (pos == end()) {
        push_back(user);
        return const_iterator(&m_slots, m_slots.size() - 1);
    }
    const size_t row = RowOfSlot(pos.m_at);
    std::vector<UserEntry> users = Live();
    users.insert(users.begin() + static_cast<std::ptrdiff_t>(row), user);
    Assign(std::move(users));
    return const_iterator(&m_slots, row);
}

void CUserList::erase(const_iterator pos)
{
    if (pos.m_at < m_slots.size())
        RemoveSlot(pos.m_at);
}

void CUserList::clear() { Assign({}); }

int CUserList::IndexOf(const UserEntry& user) const
{
    const auto it = m_bySelf.find(UserIdentity(user));
    return it == m_bySelf.end() ? -1 : static_cast<int>(RowOfSlot(SlotOfId(it->second.first)));
}

int CUserList::FindByKey(const std::string& key) const
{
    const auto it = m_byKey.find(key);
    return it == m_byKey.end() ? -1 : static_cast<int>(RowOfSlot(SlotOfId(it->second.first)));
}

int CUserList::RemoveFirst(const UserEntry& user)
{
    const auto it = m_bySelf.find(UserIdentity(user));
    if (it == m_bySelf.end())
        return -1;
    const size_t slot = SlotOfId(it->second.first);
    const int row = static_cast<int>(RowOfSlot(slot));
    RemoveSlot(slot);
    return row;
}

void CUserList::Assign(std::vector<UserEntry> users)
{
    m_slots.clear();
    m_tree.assign(1, 0);
    m_live = 0;
    m_slotOf.clear();
    m_freeIds.clear();
    m_bySelf.clear();
    m_byKey.clear();
    m_slots.reserve(users.size());
    m_tree.reserve(users.size() + 1);
    for (const UserEntry& u : users)
        push_back(u);
}

void CUserList::RemoveSlot(size_t slot)
{
    Slot& s = m_slots[slot];
    if (!s.live)
        return;
    Unlink(m_bySelf, UserIdentity(s.user), &Slot::same, int32_t(slot));
    Unlink(m_byKey, UserKey(s.user), &Slot::key, int32_t(slot));
    s.live = false;
    m_freeIds.push_back(s.id);
    for (size_t i = slot + 1; i < m_tree.size(); i += LowBit(i))
        --m_tree[i];
    --m_live;
    // Squeezing the holes out costs one pass over the live entries, paid for by the
    // removals that made at least as many holes.
    if (m_slots.size() - m_live > m_live && m_slots.size() - m_live >= 64)
        Compact();
}

size_t CUserList::SlotOfRow(size_t row) const
{
    // Descend the tree for the slot that holds the (row + 1)-th live entry.
    size_t pos = 0;
    size_t step = 1;
    while (step * 2 < m_tree.size())
        step *= 2;
    size_t left = row + 1;
    for (; step > 0; step /= 2) {
        const size_t next = pos + step;
        if (next < m_tree.size() && size_t(m_tree[next]) < left) {
            pos = next;
            left -= size_t(m_tree[next]);
        }
    }
    return pos; // 0-based slot = 1-based node after pos
}

size_t CUserList::RowOfSlot(size_t slot) const
{
    // The live entries before the slot.
    size_t row = 0;
    for (size_t i = slot; i > 0; i -= LowBit(i))
        row += size_t(m_tree[i]);
    return row;
}

void CUserList::IndexSlot(size_t slot)
{
    const UserEntry& u = m_slots[slot].user;
    Link(m_bySelf, UserIdentity(u), &Slot::same, int32_t(slot));
    Link(m_byKey, UserKey(u), &Slot::key, int32_t(slot));
}

// Moves the live entries down in order. Links and hash indexes name entries by id, so
// only the id table changes: squeezing tens of thousands of holes costs one pass over
// the slots and no hash lookups, and no single goodbye of a long burst stalls the window.
void CUserList::Compact()
{
    size_t n = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i].live)
            continue;
        if (n != i)
            m_slots[n] = std::move(m_slots[i]);
        m_slotOf[size_t(m_slots[n].id)] = static_cast<int32_t>(n);
        ++n;
    }
    m_slots.resize(n);
    // Every slot is live again: node i covers lowbit(i) of them.
    m_tree.assign(n + 1, 0);
    for (size_t i = 1; i < m_tree.size(); ++i)
        m_tree[i] = static_cast<int32_t>(LowBit(i));
}

std::vector<UserEntry> CUserList::Live() const
{
    std::vector<UserEntry> users;
    users.reserve(m_live);
    for (const UserEntry& u : *this)
        users.push_back(u);
    return users;
}

template <typename Map, typename Key>
void CUserList::Link(Map& map, const Key& key, Links Slot::*links, int32_t slot)
{
    const int32_t id = m_slots[size_t(slot)].id;
    auto [it, added] = map.try_emplace(key, Chain{id, id});
    if (added)
        return;
    (ById(it->second.last).*links).next = id;
    (m_slots[size_t(slot)].*links).prev = it->second.last;
    it->second.last = id;
}

template <typename Map, typename Key>
void CUserList::Unlink(Map& map, const Key& key, Links Slot::*links, int32_t slot)
{
    const auto it = map.find(key);
    if (it == map.end())
        return;
    const Links own = m_slots[size_t(slot)].*links;
    if (own.prev >= 0)
        (ById(own.prev).*links).next = own.next;
    else
        it->second.first = own.next;
    if (own.next >= 0)
        (ById(own.next).*links).prev = own.prev;
    else
        it->second.last = own.prev;
    if (it->second.first < 0)
        map.erase(it);
}
