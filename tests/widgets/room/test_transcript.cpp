// How chat lines look in a transcript: pieces, literals and colours, the kept GBK text,
// and appends that go to the end whatever the user has selected.

#include "CTranscriptView.h"
#include "ChatLines.h"
#include "ConversationTestSupport.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace convtest;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kLightRed(255, 150, 150);
const QColor kDarkGreen(0, 128, 64);
const QColor kMagenta(255, 0, 255);
const QColor kGrey(128, 128, 128);
const Segment kBreak{QStringLiteral("\n"), QColor()};

Segment S(const char* utf8, const QColor& colour) { return {QString::fromUtf8(utf8), colour}; }

class TranscriptTest : public ::testing::Test {
protected:
    CTranscriptView m_view;
    const UserEntry m_tom = User("Tom", "127.0.1.1", 0);
    const UserEntry m_ann = User("Ann", "127.0.1.2", 1);
};

TEST_F(TranscriptTest, WorkedExampleLineToEverybodyAndToOneMember)
{
    ShowPublicLine(m_view, m_tom, "hello");
    ShowDirectedLine(m_view, m_ann, m_tom, "hi");
    const std::vector<Segment> expected = {
        S("[", kBlack), S("Tom", kBlue), S("] 对 所有人 说: ", kBlack), S("hello", kDarkGreen),
        kBreak,
        S("[", kBlack), S("Ann", kLightRed), S("] 对 [", kBlack), S("Tom", kBlue),
        S("] 说: ", kBlack), S("hi", kMagenta),
        kBreak};
    EXPECT_EQ(Segments(m_view), expected);
    EXPECT_EQ(m_view.GbkText(), G("[Tom] 对 所有人 说: hello\r\n[Ann] 对 [Tom] 说: hi\r\n"));
}

TEST_F(TranscriptTest, PrivateLinesHaveNoBlankBeforeSaysAndNoticesAreGreyWhole)
{
    ShowPrivateLine(m_view, m_ann, "abc");
    ShowNotice(m_view, EnteredNotice(m_tom));
    ShowNotice(m_view, LeftNotice(m_ann));
    const std::vector<Segment> expected = {
        S("[", kBlack), S("Ann", kLightRed), S("]说: ", kBlack), S("abc", kMagenta), kBreak,
        S("[Tom] 进入聊天室", kGrey), kBreak, S("[Ann] 离开聊天室", kGrey), kBreak};
    EXPECT_EQ(Segments(m_view), expected);
    EXPECT_EQ(m_view.GbkText(),
              G("[Ann]说: abc\r\n[Tom] 进入聊天室\r\n[Ann] 离开聊天室\r\n"));
}

TEST_F(TranscriptTest, NameColourFollowsEachUsersSexAndTextTheSpeakers)
{
    // Any non-zero sex is female; a male speaker to a female addressee keeps green text.
    const UserEntry odd = User("Odd", "127.0.1.3", 2);
    ShowDirectedLine(m_view, m_tom, odd, "x");
    ShowPublicLine(m_view, User("Neg", "127.0.1.4", -1), "y");
    const std::vector<Segment> segments = Segments(m_view);
    ASSERT_EQ(segments.size(), 12u);
    EXPECT_EQ(segments[3], S("Odd", kLightRed));
    EXPECT_EQ(segments[5], S("x", kDarkGreen));
    EXPECT_EQ(segments[8], S("Neg", kLightRed));
    EXPECT_EQ(segments[10], S("y", kMagenta));
}

TEST_F(TranscriptTest, EmptyTextStillMakesAWholeLine)
{
    ShowPublicLine(m_view, m_tom, "");
    ShowPrivateLine(m_view, m_ann, "");
    const std::vector<Segment> expected = {
        S("[", kBlack), S("Tom", kBlue), S("] 对 所有人 说: ", kBlack), kBreak,
        S("[", kBlack), S("Ann", kLightRed), S("]说: ", kBlack), kBreak};
    EXPECT_EQ(Segments(m_view), expected);
    EXPECT_EQ(m_view.GbkText(), G("[Tom] 对 所有人 说: \r\n[Ann]说: \r\n"));
    EXPECT_EQ(m_view.document()->blockCount(), 3);
}

TEST_F(TranscriptTest, TwoByteTextIsColouredOverExactlyItsCharacters)
{
    const UserEntry girl = User("小红", "127.0.1.5", 1);
    ShowPrivateLine(m_view, girl, G("你好世界"));
    ShowPublicLine(m_view, m_tom, G("中文abc"));
    const std::vector<Segment> expected = {
        S("[", kBlack), S("小红", kLightRed), S("]说: ", kBlack), S("你好世界", kMagenta), kBreak,
        S("[", kBlack), S("Tom", kBlue), S("] 对 所有人 说: ", kBlack), S("中文abc", kDarkGreen),
        kBreak};
    EXPECT_EQ(Segments(m_view), expected);
    EXPECT_EQ(m_view.GbkText(), G("[小红]说: 你好世界\r\n[Tom] 对 所有人 说: 中文abc\r\n"));
}

TEST_F(TranscriptTest, ComposersLeaveTheCallersTextAlone)
{
    const std::string text = "unchanged";
    ShowPublicLine(m_view, m_tom, text);
    EXPECT_EQ(text, "unchanged");
}

TEST_F(TranscriptTest, AppendsGoToTheEndAfterAUserSelectionAndShowTheLastLine)
{
    m_view.resize(300, 120);
    m_view.show();
    ShowPublicLine(m_view, m_tom, "first");
    for (int i = 0; i < 40; ++i)
        ShowNotice(m_view, "filler");
    // The user selects "Tom" in the first line and scrolls to the top.
    QTextCursor selection(m_view.document());
    selection.setPosition(1);
    selection.setPosition(4, QTextCursor::KeepAnchor);
    m_view.setTextCursor(selection);
    m_view.verticalScrollBar()->setValue(0);

    ShowDirectedLine(m_view, m_ann, m_tom, "last");
    QApplication::processEvents();

    const std::vector<Segment> segments = Segments(m_view);
    ASSERT_GE(segments.size(), 8u);
    EXPECT_EQ(segments[1], S("Tom", kBlue)); // the selected text keeps its colour
    EXPECT_EQ(segments[3], S("first", kDarkGreen));
    const std::vector<Segment> tail(segments.end() - 7, segments.end());
    const std::vector<Segment> expected = {S("[", kBlack),   S("Ann", kLightRed),
                                           S("] 对 [", kBlack), S("Tom", kBlue),
                                           S("] 说: ", kBlack), S("last", kMagenta), kBreak};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(m_view.textCursor().selectedText(), QStringLiteral("Tom"));
    EXPECT_GT(m_view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(m_view.verticalScrollBar()->value(), m_view.verticalScrollBar()->maximum());
}

TEST_F(TranscriptTest, IsReadOnlyAndClearEmptiesViewAndKeptText)
{
    EXPECT_TRUE(m_view.isReadOnly());
    m_view.setFocus();
    Key(&m_view, Qt::Key_A, QStringLiteral("a"));
    EXPECT_TRUE(m_view.document()->isEmpty());
    ShowPublicLine(m_view, m_tom, "gone");
    m_view.ClearTranscript();
    EXPECT_TRUE(m_view.GbkText().empty());
    EXPECT_TRUE(m_view.document()->isEmpty());
    ShowNotice(m_view, "again");
    EXPECT_EQ(m_view.GbkText(), "again\r\n");
    EXPECT_EQ(Segments(m_view).front(), S("again", kGrey));
}

TEST_F(TranscriptTest, KeptTextIsTheBytesAsAppendedEvenWhenNotValidGbk)
{
    // A cut double-byte character shows as a replacement but is exported as received.
    const std::string cut = std::string("ab") + '\xC4';
    ShowPublicLine(m_view, m_tom, cut);
    EXPECT_EQ(m_view.GbkText(), G("[Tom] 对 所有人 说: ") + cut + "\r\n");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
