// Saving a room's transcript: the file's exact bytes, the messages, the save dialog's
// suggestions, and a transcript that never changes.

#include "AsNobody.h"
#include "ChatLogExport.h"
#include "CTranscriptView.h"
#include "RoomFixture.h"
#include "TempAppDir.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

using namespace convtest;

namespace {

class ChatLogTest : public RoomFixture {
protected:
    void SetUp() override
    {
        RoomFixture::SetUp();
        HostWithThreeMembers();
        m_dlg->ShowPublicLine(m_x, G("你好 hello"));
        m_dlg->ShowDirectedLine(m_y, m_z, G("悄悄"));
    }
    void TearDown() override
    {
        SetChatLogPathChooser({});
        RoomFixture::TearDown();
    }
    void ChooseFile(const std::string& path)
    {
        const QString chosen = QString::fromStdString(path);
        SetChatLogPathChooser([chosen](QWidget*) { return chosen; });
    }
    // Saves into the named file of the test folder, the box that follows answered OK.
    void ExportTo(const std::string& name)
    {
        ChooseFile(m_dir.File(name));
        m_boxes.Expect(true);
        m_dlg->SaveButton()->click();
    }
    std::string Expected() const
    {
        return G("[小X] 进入聊天室\r\n[Y] 进入聊天室\r\n[Z] 进入聊天室\r\n"
                 "[小X] 对 所有人 说: 你好 hello\r\n[Y] 对 [Z] 说: 悄悄\r\n");
    }

    TempAppDir m_dir;
};

TEST_F(ChatLogTest, FileHoldsExactlyTheTranscriptBytesWithSingleCrLf)
{
    ExportTo("Chat_log.txt");
    EXPECT_EQ(m_dir.Read("Chat_log.txt"), Expected());
    EXPECT_EQ(m_dir.Read("Chat_log.txt").find("\r\r"), std::string::npos);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("文件保存成功"));
    EXPECT_EQ(m_boxes.Shown()[0].caption, ApplicationCaption());
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), Expected());
}

TEST_F(ChatLogTest, ExistingFileIsReplacedAndTwoExportsAreIdentical)
{
    m_dir.Write("old.txt", std::string(5000, 'x'));
    ExportTo("old.txt");
    ExportTo("again.txt");
    EXPECT_EQ(m_dir.Read("old.txt"), Expected());
    EXPECT_EQ(m_dir.Read("again.txt"), Expected());
}

TEST_F(ChatLogTest, ClearedTranscriptGivesAnEmptyFile)
{
    m_dlg->ClearButton()->click();
    ExportTo("empty.txt");
    struct stat st {};
    ASSERT_EQ(stat(m_dir.File("empty.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST_F(ChatLogTest, UnwritablePlaceShowsOnlyTheFailure)
{
    ExportTo("no/such/folder/log.txt");
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("文件创建失败"));
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), Expected());
}

TEST_F(ChatLogTest, AWritableFileInAFolderThatTakesNoNewFilesIsReplacedInPlace)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs a file of another user's";
    chmod(m_dir.Path().c_str(), 0755);
    m_dir.Write("mine.txt", std::string(5000, 'x'));
    ASSERT_EQ(chown(m_dir.File("mine.txt").c_str(), AsNobody::kNobody, AsNobody::kNobody), 0);
    {
        AsNobody nobody;
        if (nobody.Failed())
            GTEST_SKIP() << "cannot act as another user here";
        ExportTo("mine.txt");
        ExportTo("new.txt");
    }
    EXPECT_EQ(m_dir.Read("mine.txt"), Expected());
    ASSERT_EQ(m_boxes.Shown().size(), 2u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("文件保存成功"));
    EXPECT_EQ(m_boxes.Shown()[1].text, QStringLiteral("文件创建失败"));
    EXPECT_EQ(m_boxes.Shown()[1].icon, BoxIcon::Exclamation);
}

TEST_F(ChatLogTest, AFolderOrAFileInTheWayIsAFailure)
{
    mkdir(m_dir.File("folder").c_str(), 0755);
    m_dir.Write("plain", "keep");
    for (const char* name : {"folder", "plain/log.txt"}) {
        ExportTo(name);
        EXPECT_EQ(m_boxes.LastText(), QStringLiteral("文件创建失败")) << name;
    }
    EXPECT_EQ(m_boxes.Shown().size(), 2u);
    EXPECT_EQ(m_dir.Read("plain"), "keep");
}

TEST_F(ChatLogTest, CancellingTheDialogWritesAndShowsNothing)
{
    SetChatLogPathChooser([](QWidget*) { return QString(); });
    m_dlg->SaveButton()->click();
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(ChatLogTest, SaveDialogSuggestsChatLogAndAddsTxt)
{
    QString start;
    QString filter;
    QString suffix;
    QString suggested;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        start = dialog->directory().absolutePath();
        filter = dialog->selectedNameFilter();
        suffix = dialog->defaultSuffix();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        suggested = name->text();
        dialog->setDirectory(QString::fromStdString(m_dir.Path()));
        name->setText(QStringLiteral("mylog"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString path = AskChatLogPath(m_dlg.get());
    // It starts in the program folder, or, when that cannot be written, the user's own.
    EXPECT_EQ(start, QDir(QString::fromStdString(m_dir.Path())).absolutePath());
    if (geteuid() == 0) {
        AsNobody nobody;
        if (!nobody.Failed()) {
            const QString elsewhere = ChatLogStartFolder();
            const QString documents =
                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            EXPECT_TRUE(elsewhere == QDir::homePath() || elsewhere == documents)
                << elsewhere.toStdString();
        }
    }
    EXPECT_EQ(filter, QStringLiteral("文本文件(*.txt)"));
    EXPECT_EQ(suffix, QStringLiteral("txt"));
    EXPECT_EQ(suggested, QStringLiteral("Chat_log"));
    EXPECT_EQ(path, QString::fromStdString(m_dir.File("mylog.txt")));
}

TEST_F(ChatLogTest, RoomDestroyedWhileTheSaveDialogIsOpenWritesNothing)
{
    QPointer<CRoomDlg> watch(m_dlg.release());
    QTimer::singleShot(0, watch.data(), [watch] {
        watch->hide();
        watch->deleteLater();
    });
    QTimer::singleShot(2000, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    watch->OnSaveLog();
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(m_boxes.Shown().empty());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
