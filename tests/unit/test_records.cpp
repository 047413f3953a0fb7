#include "GbkText.h"
#include "Packet.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Records, Defaults) {
    UserEntry u;
    EXPECT_EQ(FieldText(u.nick), "zoly");
}
