// The settings dialog as a user drives it: refusals, the restart question, the first
// start, keys, and the byte limit of the name.

#include "CSettingsDlg.h"
#include "GbkText.h"
#include "LobbyTestUtil.h"
#include "LobbyTexts.h"
#include "Profile.h"
#include "ScriptedBoxes.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = theProfile.m_self;
        m_savedRoom = theProfile.m_myRoom;
        SetField(theProfile.m_self.nick, GbkFromUtf8("老王"));
        theProfile.m_self.sex = 1;
    }
    void TearDown() override
    {
        theProfile.m_self = m_saved;
        theProfile.m_myRoom = m_savedRoom;
    }
    // Runs the dialog modally and lets the script act once its loop runs.
    static int RunWith(CSettingsDlg& dlg, const std::function<void()>& script)
    {
        QTimer::singleShot(0, &dlg, script);
        return dlg.exec();
    }

    UserEntry m_saved;
    RoomInfo m_savedRoom;
    ScriptedBoxes m_boxes;
};

TEST_F(SettingsDlgTest, NormalModeShowsStoredIdentityAndLabels)
{
    CSettingsDlg dlg(false);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("设置"));
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("老王"));
    EXPECT_EQ(dlg.SexCombo()->count(), 2);
    EXPECT_EQ(dlg.SexCombo()->itemText(0), QStringLiteral("男"));
    EXPECT_EQ(dlg.SexCombo()->itemText(1), QStringLiteral("女"));
    EXPECT_EQ(dlg.SexCombo()->currentIndex(), 1);
    EXPECT_EQ(dlg.OkButton()->text(), QStringLiteral("确定(&O)"));
    EXPECT_EQ(dlg.CancelButton()->text(), QStringLiteral("取消(&C)"));
    EXPECT_FALSE(dlg.OkButton()->autoDefault());
    EXPECT_FALSE(dlg.CancelButton()->autoDefault());
}

TEST_F(SettingsDlgTest, EmptyAndEverybodyNamesAreRefusedInBothModes)
{
    for (bool firstRun : {false, true}) {
        CSettingsDlg dlg(firstRun);
        dlg.NameEdit()->setText(QString());
        m_boxes.Expect();
        dlg.OnConfirm();
        dlg.NameEdit()->setText(QStringLiteral("所有人"));
        m_boxes.Expect();
        dlg.OnConfirm();
        ASSERT_EQ(m_boxes.Shown().size(), 2u);
        for (const BoxRecord& box : m_boxes.Shown()) {
            EXPECT_EQ(box.text, LobbyText::BadName());
            EXPECT_EQ(box.icon, BoxIcon::Exclamation);
        }
        EXPECT_EQ(dlg.result(), 0);
        EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("老王"));
        m_boxes.Clear();
    }
}

TEST_F(SettingsDlgTest, RestartQuestionNoKeepsIdentityYesStoresIt)
{
    CSettingsDlg dlg(false);
    dlg.NameEdit()->setText(QStringLiteral("小李"));
    dlg.SexCombo()->setCurrentIndex(0);
    m_boxes.Expect(false);
    dlg.OnConfirm();
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, LobbyText::RestartQuestion());
    EXPECT_TRUE(m_boxes.Shown()[0].question);
    EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("老王"));
    EXPECT_EQ(theProfile.m_self.sex, 1);

    m_boxes.Expect(true);
    int result = RunWith(dlg, [&] { dlg.OkButton()->click(); });
    EXPECT_EQ(result, CSettingsDlg::ACCEPTED);
    EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("小李"));
    EXPECT_EQ(theProfile.m_self.sex, 0);
}

TEST_F(SettingsDlgTest, UnchangedIdentityStillAsksBeforeRestart)
{
    CSettingsDlg dlg(false);
    m_boxes.Expect(true);
    EXPECT_EQ(RunWith(dlg, [&] { dlg.OkButton()->click(); }), CSettingsDlg::ACCEPTED);
    EXPECT_EQ(m_boxes.LastText(), LobbyText::RestartQuestion());
}

TEST_F(SettingsDlgTest, CancelAndTitleBarCloseChangeNothing)
{
    CSettingsDlg dlg(false);
    dlg.NameEdit()->setText(QStringLiteral("别人"));
    EXPECT_EQ(RunWith(dlg, [&] { dlg.CancelButton()->click(); }), 0);
    EXPECT_EQ(RunWith(dlg, [&] { dlg.close(); }), CSettingsDlg::CLOSED);
    EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("老王"));
}

TEST_F(SettingsDlgTest, EscapeIsSwallowedAndEnterConfirmsOnlyFromNameEdit)
{
    CSettingsDlg dlg(false);
    dlg.NameEdit()->setText(QStringLiteral("回车"));
    m_boxes.Expect(true);
    int result = RunWith(dlg, [&] {
        lobbytest::Key(&dlg, Qt::Key_Escape);
        lobbytest::Key(dlg.SexCombo(), Qt::Key_Escape);
        lobbytest::Key(dlg.OkButton(), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(m_boxes.Shown().empty());
        lobbytest::Key(dlg.NameEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(result, CSettingsDlg::ACCEPTED);
    EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("回车"));
}

TEST_F(SettingsDlgTest, FirstStartShowsNoticeEmptyNameAndAdoptsIdentityForOwnRoom)
{
    CSettingsDlg dlg(true);
    EXPECT_TRUE(dlg.NameEdit()->text().isEmpty());
    EXPECT_EQ(dlg.SexCombo()->currentIndex(), 0);
    m_boxes.Expect(); // the first-start notice
    int result = RunWith(dlg, [&] {
        dlg.NameEdit()->setText(QStringLiteral("新人"));
        dlg.SexCombo()->setCurrentIndex(1);
        dlg.OkButton()->click(); // no restart question at the first start
    });
    EXPECT_EQ(result, CSettingsDlg::ACCEPTED);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, LobbyText::FirstRun());
    EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::None);
    EXPECT_EQ(FromGbk(FieldText(theProfile.m_self.nick)), QStringLiteral("新人"));
    EXPECT_EQ(theProfile.m_self.sex, 1);
    EXPECT_TRUE(SameUser(theProfile.m_myRoom.creator, theProfile.m_self));
}

TEST_F(SettingsDlgTest, NameEditCountsGbkBytesAndTwentyByteNameLosesLastCharacter)
{
    CSettingsDlg dlg(false);
    dlg.show();
    dlg.NameEdit()->clear();
    // Eleven Chinese characters are 22 bytes: the edit keeps ten of them.
    lobbytest::Type(dlg.NameEdit(), QStringLiteral("一二三四五六七八九十百"));
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("一二三四五六七八九十"));
    dlg.NameEdit()->setCursorPosition(1); // a full name never loses its end
    lobbytest::Type(dlg.NameEdit(), QStringLiteral("x"));
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("一二三四五六七八九十"));
    m_boxes.Expect(true);
    EXPECT_EQ(RunWith(dlg, [&] { dlg.OkButton()->click(); }), CSettingsDlg::ACCEPTED);
    // 20 bytes do not fit the 19 of the field: the last whole character goes.
    EXPECT_EQ(FieldText(theProfile.m_self.nick), GbkFromUtf8("一二三四五六七八九"));

    CSettingsDlg ascii(false);
    ascii.show();
    ascii.NameEdit()->clear();
    lobbytest::Type(ascii.NameEdit(), QStringLiteral("abcdefghij中klmnopqrst"));
    EXPECT_EQ(ToGbk(ascii.NameEdit()->text()).size(), 20u);
    m_boxes.Expect(true);
    EXPECT_EQ(RunWith(ascii, [&] { ascii.OkButton()->click(); }), CSettingsDlg::ACCEPTED);
    EXPECT_EQ(FieldText(theProfile.m_self.nick), GbkFromUtf8("abcdefghij中klmnopq"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
