// The room settings dialog: both fields required (name first), focus to the offending
// field, Enter confirms, Escape ignored, byte limits, and its three results.

#include "CRoomSetupDlg.h"
#include "ConversationTestSupport.h"
#include "ScriptedBoxes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace convtest;

namespace {

class RoomSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = theProfile.m_myRoom;
        SetField(theProfile.m_myRoom.name, G("老房间"));
        SetField(theProfile.m_myRoom.intro, G("旧简介"));
    }
    void TearDown() override { theProfile.m_myRoom = m_saved; }
    void ExpectRoomUnchanged()
    {
        EXPECT_EQ(FieldText(theProfile.m_myRoom.name), G("老房间"));
        EXPECT_EQ(FieldText(theProfile.m_myRoom.intro), G("旧简介"));
    }

    RoomInfo m_saved;
    ScriptedBoxes m_boxes;
};

TEST_F(RoomSetupTest, OpensWithTheStoredRoomAndItsControls)
{
    CRoomSetupDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("房间设置"));
    EXPECT_EQ(dlg.NameEdit()->text(), QStringLiteral("老房间"));
    EXPECT_EQ(dlg.IntroEdit()->text(), QStringLiteral("旧简介"));
    EXPECT_EQ(dlg.OkButton()->text(), QStringLiteral("确定(&O)"));
    EXPECT_EQ(dlg.CancelButton()->text(), QStringLiteral("取消(&C)"));
    EXPECT_FALSE(dlg.OkButton()->autoDefault() || dlg.CancelButton()->autoDefault());
    EXPECT_EQ(dlg.focusWidget(), dlg.NameEdit());
}

TEST_F(RoomSetupTest, BothEmptyShowsOnlyTheNameMessage)
{
    CRoomSetupDlg dlg;
    dlg.show();
    dlg.NameEdit()->clear();
    dlg.IntroEdit()->clear();
    dlg.IntroEdit()->setFocus();
    m_boxes.Expect(true);
    dlg.OkButton()->click();
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("房间名不能为空"));
    EXPECT_EQ(m_boxes.Shown()[0].caption, ApplicationCaption());
    EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::None);
    EXPECT_EQ(dlg.focusWidget(), dlg.NameEdit());
    EXPECT_TRUE(dlg.isVisible());
    ExpectRoomUnchanged();
}

TEST_F(RoomSetupTest, EmptyIntroIsRefusedWithFocusOnIt)
{
    CRoomSetupDlg dlg;
    dlg.show();
    dlg.IntroEdit()->clear();
    m_boxes.Expect(true);
    Key(dlg.NameEdit(), Qt::Key_Return);
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("房间简介不能为空"));
    EXPECT_EQ(dlg.focusWidget(), dlg.IntroEdit());
    EXPECT_TRUE(dlg.isVisible());
    ExpectRoomUnchanged();
}

TEST_F(RoomSetupTest, EnterInTheIntroConfirmsWithBlanksKept)
{
    CRoomSetupDlg dlg;
    dlg.NameEdit()->setText(QStringLiteral(" 新房 "));
    dlg.IntroEdit()->setText(QStringLiteral(" "));
    QTimer::singleShot(0, &dlg, [&] { Key(dlg.IntroEdit(), Qt::Key_Return); });
    EXPECT_EQ(dlg.exec(), 100);
    EXPECT_EQ(FieldText(theProfile.m_myRoom.name), G(" 新房 "));
    EXPECT_EQ(FieldText(theProfile.m_myRoom.intro), " ");
}

TEST_F(RoomSetupTest, EscapeIsIgnoredCancelGivesZeroCloseBoxTwo)
{
    CRoomSetupDlg dlg;
    dlg.NameEdit()->setText(QStringLiteral("改了"));
    QTimer::singleShot(0, &dlg, [&] {
        Key(dlg.NameEdit(), Qt::Key_Escape);
        Key(&dlg, Qt::Key_Escape);
        Key(dlg.CancelButton(), Qt::Key_Return); // Enter off the edits does nothing
        EXPECT_TRUE(dlg.isVisible());
        dlg.CancelButton()->click();
    });
    EXPECT_EQ(dlg.exec(), 0);
    ExpectRoomUnchanged();

    CRoomSetupDlg closing;
    closing.NameEdit()->setText(QStringLiteral("改了"));
    QTimer::singleShot(0, &closing, [&] { closing.close(); });
    EXPECT_EQ(closing.exec(), 2);
    ExpectRoomUnchanged();
}

TEST_F(RoomSetupTest, LimitsAre19And99GbkBytesAndFullFieldsAreKeptWhole)
{
    CRoomSetupDlg dlg;
    dlg.show();
    dlg.NameEdit()->clear();
    dlg.NameEdit()->setFocus();
    for (QChar c : QString(10, QChar(0x623F))) // 房 × 10 = 20 bytes
        Key(dlg.NameEdit(), 0, QString(c));
    EXPECT_EQ(ToGbk(dlg.NameEdit()->text()).size(), 18u);
    Key(dlg.NameEdit(), 0, QStringLiteral("a"));
    Key(dlg.NameEdit(), 0, QStringLiteral("b"));
    EXPECT_EQ(ToGbk(dlg.NameEdit()->text()).size(), 19u);
    dlg.IntroEdit()->setText(QStringLiteral("x") + QString(60, QChar(0x4ECB)));
    EXPECT_EQ(ToGbk(dlg.IntroEdit()->text()).size(), 99u);
    dlg.OkButton()->click();
    EXPECT_EQ(dlg.result(), 100);
    EXPECT_EQ(FieldText(theProfile.m_myRoom.name).size(), 19u);
    EXPECT_EQ(FieldText(theProfile.m_myRoom.intro).size(), 99u);
    EXPECT_EQ(FieldText(theProfile.m_myRoom.intro), ToGbk(dlg.IntroEdit()->text()));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
