// The user and room lists: arrival order, no second entry for the same user or creator,
// removal of the first match only, and an index that stays right through it all.
#include "CRoomDirectory.h"
#include "CUserDirectory.h"
#include "test_net_doubles.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace nettest;

namespace {

template <typename List> std::vector<std::string> Keys(const List& users)
{
    std::vector<std::string> keys;
    for (const UserEntry& u : users)
        keys.push_back(Who(u));
    return keys;
}

RoomInfo MakeRoom(const std::string& name, const UserEntry& creator)
{
    RoomInfo r;
    SetField(r.name, name);
    r.creator = creator;
    return r;
}

} // namespace

TEST(UserDirectory, AppendsInArrivalOrderAndRefusesTheSameUserTwice)
{
    CUserList users;
    CUserDirectory dir(users);
    EXPECT_TRUE(dir.Add(MakeUser("amy", "10.1.0.1")));
    EXPECT_TRUE(dir.Add(MakeUser("bob", "10.1.0.2")));
    EXPECT_TRUE(dir.Add(MakeUser("amy", "10.1.0.3"))); // same name, other machine
    EXPECT_FALSE(dir.Add(MakeUser("amy", "10.1.0.1")));
    EXPECT_EQ(Keys(users),
              (std::vector<std::string>{"amy 10.1.0.1/0", "bob 10.1.0.2/0", "amy 10.1.0.3/0"}));

    // Bytes behind a field's NUL are not part of the identity.
    UserEntry junk = MakeUser("bob", "10.1.0.2");
    junk.nick[10] = 'x';
    junk.ip[15] = 'y';
    EXPECT_TRUE(dir.Contains(junk));
    EXPECT_FALSE(dir.Add(junk));
    EXPECT_EQ(users.size(), 3u);
}

TEST(UserDirectory, RemoveTakesOnlyTheFirstMatchAndKeepsTheOrderOfTheRest)
{
    CUserList users;
    CUserDirectory dir(users);
    for (const char* ip : {"10.1.0.1", "10.1.0.2", "10.1.0.3", "10.1.0.4"})
        dir.Add(MakeUser("u", ip));
    EXPECT_EQ(dir.Remove(MakeUser("u", "10.1.0.9")), -1);
    EXPECT_EQ(dir.Remove(MakeUser("u", "10.1.0.2", 1)), -1); // other sex: not listed
    EXPECT_EQ(users.size(), 4u);

    EXPECT_EQ(dir.Remove(MakeUser("u", "10.1.0.2")), 1);
    EXPECT_EQ(Keys(users),
              (std::vector<std::string>{"u 10.1.0.1/0", "u 10.1.0.3/0", "u 10.1.0.4/0"}));
    EXPECT_FALSE(dir.Contains(MakeUser("u", "10.1.0.2")));
    EXPECT_EQ(dir.Remove(MakeUser("u", "10.1.0.2")), -1);
    // The user may come back, at the end.
    EXPECT_TRUE(dir.Add(MakeUser("u", "10.1.0.2")));
    EXPECT_EQ(dir.FindByKey("u 10.1.0.2"), 3);
}

TEST(UserDirectory, SameNameAndAddressWithAnotherSexIsAnotherUserWithTheSameKey)
{
    CUserList users;
    CUserDirectory dir(users);
    const UserEntry boy = MakeUser("kim", "10.1.0.5", 0);
    const UserEntry girl = MakeUser("kim", "10.1.0.5", 1);
    dir.Add(MakeUser("zed", "10.1.0.1"));
    EXPECT_TRUE(dir.Add(boy));
    EXPECT_TRUE(dir.Add(girl));
    EXPECT_EQ(dir.FindByKey("kim 10.1.0.5"), 1);
    EXPECT_EQ(dir.FindByKey("kim 10.1.0.6"), -1);
    EXPECT_EQ(dir.FindByKey("kim"), -1);

    // Removing one leaves the other findable by the shared key.
    EXPECT_EQ(dir.Remove(boy), 1);
    EXPECT_TRUE(dir.Contains(girl));
    EXPECT_FALSE(dir.Contains(boy));
    EXPECT_EQ(dir.FindByKey("kim 10.1.0.5"), 1);
    EXPECT_EQ(dir.Remove(girl), 1);
    EXPECT_EQ(dir.FindByKey("kim 10.1.0.5"), -1);
}

TEST(UserDirectory, KeyLookupSplitsNameAndAddressAnyWayTheKeyAllows)
{
    // Both entries read "a b c": the first listed wins, as a walk would find it.
    CUserList users;
    CUserDirectory dir(users);
    dir.Add(MakeUser("a", "b c"));
    dir.Add(MakeUser("a b", "c"));
    EXPECT_EQ(dir.FindByKey("a b c"), 0);
    dir.Remove(MakeUser("a", "b c"));
    EXPECT_EQ(dir.FindByKey("a b c"), 0);
    EXPECT_EQ(FieldText(users[0].nick), "a b");
}

TEST(UserDirectory, RebuildFollowsChangesMadeToTheListDirectly)
{
    CUserList users = {MakeUser("a", "10.1.0.1"), MakeUser("b", "10.1.0.2")};
    CUserDirectory dir(users); // indexes what is already there
    EXPECT_FALSE(dir.Add(MakeUser("a", "10.1.0.1")));

    users.erase(users.begin());
    users.push_back(MakeUser("c", "10.1.0.3"));
    users.push_back(MakeUser("c", "10.1.0.3")); // a duplicate made behind its back
    dir.Rebuild();
    EXPECT_FALSE(dir.Contains(MakeUser("a", "10.1.0.1")));
    EXPECT_TRUE(dir.Add(MakeUser("a", "10.1.0.1")));
    // Each copy of the duplicate goes with its own goodbye.
    EXPECT_EQ(dir.Remove(MakeUser("c", "10.1.0.3")), 1);
    EXPECT_TRUE(dir.Contains(MakeUser("c", "10.1.0.3")));
    EXPECT_EQ(dir.FindByKey("c 10.1.0.3"), 1);
    EXPECT_EQ(dir.Remove(MakeUser("c", "10.1.0.3")), 1);
    EXPECT_FALSE(dir.Contains(MakeUser("c", "10.1.0.3")));
    EXPECT_EQ(Keys(users), (std::vector<std::string>{"b 10.1.0.2/0", "a 10.1.0.1/0"}));
}

TEST(UserDirectory, StaysExactWithTenThousandUsers)
{
    CUserList users;
    CUserDirectory dir(users);
    auto nth = [](int i) {
        return MakeUser("u" + std::to_string(i % 100),
                        "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256), i % 2);
    };
    for (int i = 0; i < 10000; ++i)
        ASSERT_TRUE(dir.Add(nth(i)));
    for (int i = 0; i < 10000; ++i)
        ASSERT_FALSE(dir.Add(nth(i)));
    for (int i = 0; i < 10000; i += 2)
        ASSERT_EQ(dir.Remove(nth(i)), i / 2);
    ASSERT_EQ(users.size(), 5000u);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(dir.Contains(nth(i)), i % 2 == 1) << i;
    EXPECT_EQ(dir.FindByKey(UserKey(nth(9999))), 4999);
}

// The list against a plain vector doing the same, through enough churn that holes are
// squeezed out many times: rows, first-match lookups and iteration must always agree.
TEST(UserDirectory, ListMatchesAPlainVectorThroughHellosGoodbyesAndDuplicates)
{
    CUserList list;
    list.reserve(64); // room made beforehand changes nothing the list shows
    std::vector<UserEntry> plain;
    auto nth = [](unsigned i) { // 40 identities over 20 keys, "a b"+"c" style splits too
        return i % 7 == 0 ? MakeUser("n b", std::to_string(i % 20 / 2), int(i % 2))
                          : MakeUser("n", "b " + std::to_string(i % 20 / 2), int(i % 2));
    };
    auto firstOf = [&](auto same) {
        for (size_t i = 0; i < plain.size(); ++i)
            if (same(plain[i]))
                return int(i);
        return -1;
    };
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const UserEntry u = nth(random() % 40);
        const int expected = firstOf([&](const UserEntry& e) { return SameUser(e, u); });
        switch (random() % 5) {
        case 0:
        case 1: // a duplicate is allowed in the plain list, as a test may make one
            list.push_back(u);
            plain.push_back(u);
            break;
        case 2:
        case 3:
            ASSERT_EQ(list.RemoveFirst(u), expected);
            if (expected >= 0)
                plain.erase(plain.begin() + expected);
            break;
        default:
            ASSERT_EQ(list.IndexOf(u), expected);
            ASSERT_EQ(list.FindByKey(UserKey(u)),
                      firstOf([&](const UserEntry& e) { return UserKey(e) == UserKey(u); }));
        }
        ASSERT_EQ(list.size(), plain.size());
        if (step % 97 == 0) {
            ASSERT_EQ(Keys(list), Keys(plain));
            for (size_t row = 0; row < plain.size(); ++row)
                ASSERT_TRUE(SameUser(list[row], plain[row])) << row;
        }
    }
    // Inserting in front and erasing keep the same rules.
    list = {MakeUser("b", "1"), MakeUser("c", "1")};
    list.insert(list.begin(), MakeUser("a", "1"));
    list.erase(++list.begin());
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"a 1/0", "c 1/0"}));
    EXPECT_EQ(list.FindByKey("c 1"), 1);
    EXPECT_FALSE(list.Contains(MakeUser("b", "1")));
}

TEST(RoomDirectory, OneRoomPerCreatorInArrivalOrder)
{
    std::vector<RoomInfo> rooms;
    CRoomDirectory dir(rooms);
    const UserEntry amy = MakeUser("amy", "10.1.0.1", 1);
    const UserEntry amyAsBoy = MakeUser("amy", "10.1.0.1", 0);
    const UserEntry bob = MakeUser("bob", "10.1.0.2");
    EXPECT_TRUE(dir.Add(MakeRoom("first", amy)));
    EXPECT_FALSE(dir.Add(MakeRoom("renamed", amy))); // identified by creator, not name
    EXPECT_TRUE(dir.Add(MakeRoom("second", bob)));
    EXPECT_TRUE(dir.Add(MakeRoom("third", amyAsBoy)));
    ASSERT_EQ(rooms.size(), 3u);
    EXPECT_EQ(FieldText(rooms[0].name), "first");
    EXPECT_EQ(dir.Find(amy), 0);
    EXPECT_EQ(dir.Find(amyAsBoy), 2);
    EXPECT_EQ(dir.Find(MakeUser("amy", "10.1.0.9", 1)), -1);

    EXPECT_EQ(dir.Remove(amy), 0);
    EXPECT_EQ(dir.Remove(amy), -1);
    EXPECT_EQ(dir.Find(bob), 0);
    EXPECT_EQ(dir.Find(amyAsBoy), 1);
    EXPECT_TRUE(dir.Add(MakeRoom("again", amy)));
    EXPECT_EQ(dir.Find(amy), 2);
}

TEST(RoomDirectory, RebuildFollowsChangesMadeToTheListDirectly)
{
    const UserEntry amy = MakeUser("amy", "10.1.0.1");
    std::vector<RoomInfo> rooms = {MakeRoom("a", amy), MakeRoom("a2", amy)};
    CRoomDirectory dir(rooms);
    EXPECT_FALSE(dir.Add(MakeRoom("b", amy)));
    EXPECT_EQ(dir.Remove(amy), 0);
    EXPECT_EQ(dir.Find(amy), 0); // the second copy is still listed
    rooms.clear();
    dir.Rebuild();
    EXPECT_EQ(dir.Find(amy), -1);
    EXPECT_TRUE(dir.Add(MakeRoom("b", amy)));
}
