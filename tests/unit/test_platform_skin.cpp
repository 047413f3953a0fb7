// The skin: a UTF-8 style sheet applied to the whole application, and nothing at all when
// the file is not there.
#include "Skin.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QApplication& Application()
{
    static int argc = 1;
    static char name[] = "unit_test_platform_skin";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct SkinTest : ::testing::Test {
    QTemporaryDir dir;
    void SetUp() override { Application().setStyleSheet(QString()); }
    void TearDown() override { ReleaseSkin(); }

    std::string Write(const char* name, const QByteArray& text)
    {
        QFile f(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return QFile::encodeName(f.fileName()).toStdString();
    }
};

} // namespace

TEST_F(SkinTest, LoadsTheFileAsAUtf8StyleSheetForEveryWidget)
{
    const QByteArray sheet = "/* 狗 skin */\nQLabel { color: #123456; }\n";
    LoadSkin(Write("dogmax.ssk", sheet));
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));

    QLabel label(QStringLiteral("你好"));
    label.ensurePolished();
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0x12, 0x34, 0x56));

    ReleaseSkin();
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinTest, MissingOrUnreadableFileChangesNothing)
{
    const std::string good = Write("dogmax.ssk", "QLabel { color: red; }");
    LoadSkin(good);
    const QString before = qApp->styleSheet();
    ASSERT_FALSE(before.isEmpty());

    LoadSkin(QFile::encodeName(dir.filePath(QStringLiteral("missing.ssk"))).toStdString());
    LoadSkin(QFile::encodeName(dir.path()).toStdString()); // a folder
    LoadSkin("");
    EXPECT_EQ(qApp->styleSheet(), before);
}
