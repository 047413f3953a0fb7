// The message notifier: its texts and colours as drawn, the hit box with its edges, the
// cursor, and clicks that open waiting conversations in creation order.

#include "CMessageNotifier.h"
#include "CPrivateChatDlg.h"
#include "../room/ConversationTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <memory>

using namespace convtest;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGrey(128, 128, 128);

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            m_windows.push_back(std::make_unique<CPrivateChatDlg>());
            SetField(m_windows.back()->m_peer.nick, std::string(1, static_cast<char>('A' + i)));
            m_lobby.m_windows.push_back(m_windows.back().get());
        }
        m_notifier = std::make_unique<CMessageNotifier>(nullptr, &m_lobby);
        m_notifier->resize(246, 40);
        m_notifier->show();
    }
    void Unread(std::initializer_list<int> which)
    {
        for (int i : which)
            m_windows[i]->m_bUnread = true;
        m_notifier->Recount();
    }
    // Pixels of exactly this colour inside the text box.
    int TextPixels(const QColor& colour)
    {
        const QImage image = m_notifier->grab().toImage();
        const QRect box = m_notifier->TextBox();
        int n = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                n += QColor(image.pixel(x, y)) == colour;
        return n;
    }
    QPoint TextCentre() { return m_notifier->TextBox().center(); }
    // The program's own hand: 32 by 32 with its hot spot at the top-left corner.
    bool IsHandCursor() const
    {
        const QCursor cursor = m_notifier->cursor();
        if (cursor.shape() == Qt::ArrowCursor)
            return false;
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
        EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
        return true;
    }

    FakeLobby m_lobby;
    std::vector<std::unique_ptr<CPrivateChatDlg>> m_windows;
    std::unique_ptr<CMessageNotifier> m_notifier;
};

TEST_F(NotifierTest, NothingWaitingIsGreyWithArrowAndClicksOpenNothing)
{
    m_notifier->Recount();
    EXPECT_EQ(m_notifier->CurrentText(), QStringLiteral("你当前没有任何消息"));
    EXPECT_EQ(m_notifier->accessibleName(), QStringLiteral("你当前没有任何消息"));
    EXPECT_GT(TextPixels(kGrey), 0);
    EXPECT_EQ(TextPixels(kBlack), 0);
    MouseMove(m_notifier.get(), TextCentre());
    EXPECT_FALSE(m_notifier->IsHover());
    EXPECT_FALSE(IsHandCursor());
    LeftPress(m_notifier.get(), TextCentre());
    for (const auto& w : m_windows)
        EXPECT_FALSE(w->isVisible());
}

TEST_F(NotifierTest, PanelIsWhiteWithAOnePixelBlackFrame)
{
    const QImage image = m_notifier->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(0, 0)), kBlack);
    EXPECT_EQ(QColor(image.pixel(245, 39)), kBlack);
    EXPECT_EQ(QColor(image.pixel(245, 20)), kBlack);
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(244, 38)), QColor(Qt::white));
}

TEST_F(NotifierTest, WaitingCountIsBlackAndTurnsBlueUnderThePointer)
{
    Unread({0, 2});
    EXPECT_EQ(m_notifier->Count(), 2);
    EXPECT_EQ(m_notifier->CurrentText(), QStringLiteral("你当前有 2 条消息,单击查看..."));
    EXPECT_EQ(m_notifier->accessibleName(), m_notifier->CurrentText());
    EXPECT_GT(TextPixels(kBlack), 0);
    EXPECT_EQ(TextPixels(kBlue), 0);

    MouseMove(m_notifier.get(), TextCentre());
    EXPECT_TRUE(m_notifier->IsHover());
    EXPECT_TRUE(IsHandCursor());
    EXPECT_GT(TextPixels(kBlue), 0);
    EXPECT_EQ(TextPixels(kBlack), 0);

    MouseMove(m_notifier.get(), QPoint(2, 2));
    EXPECT_FALSE(m_notifier->IsHover());
    EXPECT_FALSE(IsHandCursor());
    EXPECT_GT(TextPixels(kBlack), 0);
}

TEST_F(NotifierTest, TextBoxIsCentredAndItsRightAndBottomEdgesCount)
{
    Unread({1});
    const QRect box = m_notifier->TextBox();
    EXPECT_EQ(box.left(), (246 - box.width()) / 2);
    EXPECT_EQ(box.top(), (40 - box.height()) / 2);
    const int right = box.left() + box.width();
    const int bottom = box.top() + box.height();
    const struct {
        QPoint pos;
        bool over;
    } cases[] = {{{box.left(), box.top()}, true},       {{right, bottom}, true},
                 {{right + 1, bottom}, false},          {{right, bottom + 1}, false},
                 {{box.left() - 1, box.top()}, false},  {{box.left(), box.top() - 1}, false}};
    for (const auto& c : cases) {
        MouseMove(m_notifier.get(), c.pos);
        EXPECT_EQ(m_notifier->IsHover(), c.over) << c.pos.x() << "," << c.pos.y();
        EXPECT_EQ(IsHandCursor(), c.over);
    }
}

TEST_F(NotifierTest, ClicksOpenWaitingWindowsInCreationOrder)
{
    Unread({2, 0, 1});
    ASSERT_EQ(m_notifier->Count(), 3);
    MouseMove(m_notifier.get(), TextCentre());
    for (int i = 0; i < 3; ++i) {
        LeftPress(m_notifier.get(), TextCentre());
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m_windows[j]->isVisible(), j <= i) << "click " << i << " window " << j;
        EXPECT_EQ(m_notifier->Count(), 2 - i);
    }
    // The last one opened: grey, even with the pointer still on the text.
    EXPECT_EQ(m_notifier->CurrentText(), QStringLiteral("你当前没有任何消息"));
    EXPECT_GT(TextPixels(kGrey), 0);
    EXPECT_EQ(TextPixels(kBlue), 0);
}

TEST_F(NotifierTest, AClickStaysBlueWhileMoreWaitAndOffTheTextOpensNothing)
{
    Unread({0, 1});
    LeftPress(m_notifier.get(), QPoint(2, 2));
    EXPECT_FALSE(m_windows[0]->isVisible());
    EXPECT_EQ(m_notifier->Count(), 2);
    MouseMove(m_notifier.get(), TextCentre());
    LeftPress(m_notifier.get(), TextCentre());
    EXPECT_TRUE(m_windows[0]->isVisible());
    EXPECT_EQ(m_notifier->CurrentText(), QStringLiteral("你当前有 1 条消息,单击查看..."));
    EXPECT_TRUE(m_notifier->IsHover());
    EXPECT_GT(TextPixels(kBlue), 0);
}

TEST_F(NotifierTest, CountChangesOnlyOnRecountAndAStaleCountIsCorrectedByAClick)
{
    Unread({0});
    // Opened another way: the panel keeps the old count until the next recount.
    m_windows[0]->show();
    EXPECT_EQ(m_notifier->Count(), 1);
    MouseMove(m_notifier.get(), TextCentre());
    LeftPress(m_notifier.get(), TextCentre());
    EXPECT_EQ(m_notifier->Count(), 0);
    EXPECT_FALSE(m_windows[1]->isVisible());
}

TEST_F(NotifierTest, WithoutALobbyNothingIsCounted)
{
    CMessageNotifier alone;
    alone.resize(246, 40);
    alone.Recount();
    EXPECT_EQ(alone.Count(), 0);
    LeftPress(&alone, alone.TextBox().center());
    EXPECT_TRUE(alone.hasMouseTracking());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
