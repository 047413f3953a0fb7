// Setup.ini rules: defaults, truncation, case, the reserved name, and keeping the
// lines we do not own.
#include "AsNobody.h"
#include "GbkText.h"
#include "IniFile.h"
#include "Profile.h"
#include "ProfilePath.h"
#include "ScopedEnv.h"
#include "TempAppDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ProfileFile : ::testing::Test {
    TempAppDir dir;
    void WriteIni(const std::string& text) { dir.Write("Setup.ini", text); }
    mode_t Mode(const std::string& name) const
    {
        struct stat st {};
        stat(dir.File(name).c_str(), &st);
        return st.st_mode & 07777;
    }
};

} // namespace

TEST_F(ProfileFile, MissingFileKeepsConstructionValuesAndSaveCreatesIt)
{
    {
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), "zoly");
        EXPECT_EQ(p.m_self.sex, 0);
        EXPECT_EQ(FieldText(p.m_myRoom.name), GbkFromUtf8("天论"));
        EXPECT_EQ(FieldText(p.m_myRoom.intro), GbkFromUtf8("欢迎大家来讨论!"));
        EXPECT_FALSE(p.m_hosting);
        EXPECT_FALSE(p.m_joined);
    } // the destructor saves
    IniFile ini;
    ASSERT_TRUE(ini.Load(dir.File("Setup.ini")));
    EXPECT_EQ(ini.Get("People", "Nick", "", 20), "zoly");
    EXPECT_EQ(ini.Get("People", "Sex", "", 5), "BOY");
    EXPECT_EQ(ini.Get("Room", "RoomName", "", 20), GbkFromUtf8("天论"));
    EXPECT_EQ(ini.Get("Room", "RoomContent", "", 100), GbkFromUtf8("欢迎大家来讨论!"));
}

TEST_F(ProfileFile, ReadsValuesCaseInsensitiveNamesAndRawGbk)
{
    WriteIni("[people]\r\nNICK=" + GbkFromUtf8("小明") + "\r\nsex=GIRL\r\n[ROOM]\r\nroomname=r1\r\n");
    CProfile p;
    EXPECT_EQ(FieldText(p.m_self.nick), GbkFromUtf8("小明"));
    EXPECT_EQ(p.m_self.sex, 1);
    EXPECT_EQ(FieldText(p.m_myRoom.name), "r1");
    EXPECT_EQ(FieldText(p.m_myRoom.intro), GbkFromUtf8("欢迎大家来讨论!"));
    EXPECT_TRUE(SameUser(p.m_myRoom.creator, p.m_self));
}

TEST_F(ProfileFile, SexRules)
{
    struct Case {
        const char* value;
        int32_t sex;
    } cases[] = {{"BOY", 0}, {"boy", 1}, {"GIRL", 1}, {"", 0}, {"BOYS", 1}, {"x", 1}};
    for (const Case& c : cases) {
        WriteIni(std::string("[People]\nNick=a\nSex=") + c.value + "\n");
        CProfile p;
        EXPECT_EQ(p.m_self.sex, c.sex) << "Sex=" << c.value;
    }
}

TEST_F(ProfileFile, ReservedEmptyAndLongNames)
{
    WriteIni("[People]\nNick=" + GbkFromUtf8("所有人") + "\n");
    {
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), "zoly");
    }
    WriteIni("[People]\nNick=\n");
    {
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), ""); // only the settings dialog refuses it
    }
    WriteIni("[People]\nNick=" + std::string(25, 'n') + "\n[Room]\nRoomName=" +
             std::string(25, 'r') + "\nRoomContent=" + std::string(150, 'i') + "\n");
    {
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), std::string(19, 'n'));
        EXPECT_EQ(FieldText(p.m_myRoom.name), std::string(19, 'r'));
        EXPECT_EQ(FieldText(p.m_myRoom.intro), std::string(99, 'i'));
    }
}

TEST_F(ProfileFile, OnlyPeopleSectionGivesRoomDefaults)
{
    WriteIni("[People]\nNick=a\nSex=BOY\n");
    CProfile p;
    EXPECT_EQ(FieldText(p.m_myRoom.name), GbkFromUtf8("我的地盘"));
    EXPECT_EQ(FieldText(p.m_myRoom.intro), GbkFromUtf8("欢迎大家来讨论!"));
}

TEST_F(ProfileFile, SaveKeepsOtherLinesAndChangesOnlyItsKeys)
{
    WriteIni("; my comment\r\n[Other]\r\nKeep=1\r\n[People]\r\nnick=old\r\nSex=GIRL\r\nColour=red\r\n");
    {
        CProfile p;
        SetField(p.m_myRoom.name, "new room");
    }
    std::string text = dir.Read("Setup.ini");
    EXPECT_NE(text.find("; my comment\r\n[Other]\r\nKeep=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("nick=old\r\n"), std::string::npos) << text; // the file's own spelling
    EXPECT_NE(text.find("Colour=red"), std::string::npos);
    EXPECT_NE(text.find("Sex=GIRL"), std::string::npos);
    CProfile again;
    EXPECT_EQ(FieldText(again.m_myRoom.name), "new room");
    EXPECT_EQ(FieldText(again.m_self.nick), "old");
    EXPECT_EQ(again.m_self.sex, 1);
}

TEST_F(ProfileFile, FirstStartIdentityReachesTheRoomCreator)
{
    CProfile p;
    p.AdoptIdentity(GbkFromUtf8("小红"), 1);
    EXPECT_EQ(FieldText(p.m_myRoom.creator.nick), GbkFromUtf8("小红"));
    EXPECT_EQ(p.m_myRoom.creator.sex, 1);
    EXPECT_TRUE(SameUser(p.m_myRoom.creator, p.m_self));
}

TEST_F(ProfileFile, UnwritableDirectoryIsNotAnError)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    chmod(dir.Path().c_str(), 0500);
    CProfile p;
    EXPECT_FALSE(p.Save());
    chmod(dir.Path().c_str(), 0700);
}

TEST_F(ProfileFile, AFileItCannotReadOrMayNotWriteIsLeftAloneAndKeepsPermissions)
{
    const std::string stored = "[People]\nNick=stored\nSex=GIRL\n";
    // Read-only on purpose: stays as it is, though the folder would allow replacing it.
    WriteIni(stored);
    chmod(dir.File("Setup.ini").c_str(), 0444);
    {
        CProfile p;
        SetField(p.m_myRoom.name, "changed");
        EXPECT_FALSE(p.Save());
    }
    EXPECT_EQ(dir.Read("Setup.ini"), stored);
    EXPECT_EQ(Mode("Setup.ini"), 0444u);

    // Writable: rewritten, with the permissions it had.
    chmod(dir.File("Setup.ini").c_str(), 0640);
    {
        CProfile p;
        SetField(p.m_myRoom.name, "changed");
    }
    EXPECT_NE(dir.Read("Setup.ini").find("RoomName=changed"), std::string::npos);
    EXPECT_EQ(Mode("Setup.ini"), 0640u);

    // Unreadable for this user in a folder anybody may write: the identity in it is
    // unknown, so it is not replaced with the defaults.
    WriteIni(stored);
    chmod(dir.File("Setup.ini").c_str(), 0600);
    chmod(dir.Path().c_str(), 0777);
    if (geteuid() != 0)
        GTEST_SKIP() << "the file would be this user's own";
    {
        AsNobody nobody;
        if (nobody.Failed())
            GTEST_SKIP() << "cannot act as another user here";
        IniFile ini;
        EXPECT_FALSE(ini.Load(dir.File("Setup.ini")));
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), "zoly");
        EXPECT_EQ(FieldText(p.m_myRoom.name), GbkFromUtf8("天论"));
        EXPECT_FALSE(p.Save());
    } // the destructor's save is refused too
    EXPECT_EQ(dir.Read("Setup.ini"), stored);
    EXPECT_EQ(Mode("Setup.ini"), 0600u);

    // The user's own file in a folder that takes no new files is written in place.
    chmod(dir.Path().c_str(), 0755);
    chmod(dir.File("Setup.ini").c_str(), 0644);
    ASSERT_EQ(chown(dir.File("Setup.ini").c_str(), AsNobody::kNobody, AsNobody::kNobody), 0);
    {
        AsNobody nobody;
        CProfile p;
        EXPECT_EQ(FieldText(p.m_self.nick), "stored");
        SetField(p.m_myRoom.name, "in place");
        EXPECT_TRUE(p.Save());
    }
    EXPECT_NE(dir.Read("Setup.ini").find("Nick=stored"), std::string::npos);
    EXPECT_NE(dir.Read("Setup.ini").find("RoomName=in place"), std::string::npos);
    chmod(dir.Path().c_str(), 0700);
}

TEST(IniFile, GetCutsToBufferAndSetAddsSections)
{
    IniFile ini;
    ini.Parse("[A]\nk = v with spaces \n");
    EXPECT_EQ(ini.Get("a", "K", "d", 100), "v with spaces");
    EXPECT_EQ(ini.Get("a", "K", "d", 3), "v ");
    EXPECT_EQ(ini.Get("a", "missing", "dflt", 3), "df");
    EXPECT_EQ(ini.Get("B", "k", "dflt", 100), "dflt");
    ini.Set("B", "k", "x\r\ny=z"); // a line break must not forge another key
    ini.Set("A", "k2", "2");
    IniFile again;
    again.Parse(ini.Text());
    EXPECT_EQ(again.Get("B", "k", "", 100), "xy=z");
    EXPECT_FALSE(again.Has("B", "y"));
    EXPECT_EQ(again.Get("A", "k2", "", 100), "2");
    EXPECT_EQ(again.Get("A", "k", "", 100), "v with spaces");
    // A read that fails (here: a folder) is not an empty file.
    TempAppDir dir;
    EXPECT_FALSE(again.Load(dir.Path()));
}

TEST(LanAddresses, TableFollowsTheSixteenBitPrefix)
{
    static char table[LAN_ADDRESS_COUNT][16];
    FillLanAddresses(table, "192.168.1.5");
    EXPECT_STREQ(table[0], "192.168.0.0");
    EXPECT_STREQ(table[257], "192.168.1.1");
    EXPECT_STREQ(table[65535], "192.168.255.255");
    FillLanAddresses(table, "10.0.0.5");
    EXPECT_STREQ(table[0], "10.0.0.0");
    EXPECT_STREQ(table[256], "10.0.1.0");
    EXPECT_STREQ(table[65535], "10.0.255.255");
    EXPECT_EQ(LanPrefix("255.255.255.255"), "255.255.");
    EXPECT_EQ(LanPrefix("nodots"), "");
    FillLanAddresses(table, ""); // no prefix: stays on this host
    EXPECT_STREQ(table[1], "127.0.0.1");
}

// A program directory with the per-user marker (the installed package) keeps no profile:
// each user's goes to their configuration folder, made on the first save.
TEST_F(ProfileFile, PerUserProfileLivesInTheConfigurationFolder)
{
    const std::string home = dir.Path() + "home";
    ScopedEnv setHome("HOME", home.c_str());
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(ProfileFilePath(), dir.File("Setup.ini")); // a build or copied folder

    dir.Write(kPerUserProfileMarker, "");
    EXPECT_EQ(ProfileFilePath(), home + "/.config/linquo/Setup.ini");
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "cfg"); // not absolute: ignored
        EXPECT_EQ(ProfileFilePath(), home + "/.config/linquo/Setup.ini");
    }
    const std::string config = dir.Path() + "xdg/deeper";
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    const std::string file = config + "/linquo/Setup.ini";
    EXPECT_EQ(ProfileFilePath(), file);
    char cut[8];
    GetProfilePath(cut, sizeof cut);
    EXPECT_EQ(std::string(cut), file.substr(0, 7));

    {
        CProfile p;
        EXPECT_STREQ(g_szSetupPath, file.c_str());
        EXPECT_EQ(FieldText(p.m_self.nick), "zoly"); // nothing there yet: a first start
        SetField(p.m_self.nick, GbkFromUtf8("小明"));
        EXPECT_TRUE(p.Save());
    }
    struct stat st{};
    ASSERT_EQ(stat((config + "/linquo").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    CProfile again;
    EXPECT_EQ(FieldText(again.m_self.nick), GbkFromUtf8("小明"));
    EXPECT_EQ(access(dir.File("Setup.ini").c_str(), F_OK), -1); // the shared folder stays clean
}
