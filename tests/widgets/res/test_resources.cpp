// The compiled-in pictures, the skin and the message sound as the program finds them.

#include "ResourceImages.h"
#include "Resources.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QSvgRenderer>
#include <QTextEdit>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Picture {
    const char* path;
    QSize size;
};

const Picture kPictures[] = {
    {kIconApp, {32, 32}},         {kIconBoy, {16, 16}},         {kIconGirl, {16, 16}},
    {kIconRoomMale, {16, 16}},    {kIconRoomFemale, {16, 16}},  {kIconArrow, {16, 16}},
    {kCursorHand, {32, 32}},      {kBitmapSplash, {401, 172}},
};

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return count;
}

// Pixels whose colours differ clearly between two images of the same size.
int DifferentPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int diff = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                             std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            count += diff > 96 ? 1 : 0;
        }
    return count;
}

QImage Render(const char* path, int side)
{
    return LoadResourcePixmap(path, QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QString ProgramFile(const char* name)
{
    return QString::fromLocal8Bit(qgetenv("LINQUO_BIN")) + QLatin1Char('/') + QString::fromUtf8(name);
}

TEST(ResourcePictures, EachIsCompiledInDrawnForItsSizeAndNotBlank)
{
    for (const Picture& picture : kPictures) {
        SCOPED_TRACE(picture.path);
        QSvgRenderer renderer(QString::fromUtf8(picture.path));
        ASSERT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.defaultSize(), picture.size);

        const QImage image = LoadResourcePixmap(picture.path, picture.size).toImage();
        ASSERT_EQ(image.size(), picture.size);
        const int area = picture.size.width() * picture.size.height();
        EXPECT_GT(OpaquePixels(image), area / 5);
    }
}

TEST(ResourcePictures, ListIconsOfEachPairAreTellableApartAtSixteenPixels)
{
    EXPECT_GT(DifferentPixels(Render(kIconBoy, 16), Render(kIconGirl, 16)), 40);
    EXPECT_GT(DifferentPixels(Render(kIconRoomMale, 16), Render(kIconRoomFemale, 16)), 20);
}

TEST(ResourcePictures, IconsCarryEveryCommonSize)
{
    const QIcon icon = LoadResourceIcon(kIconApp);
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
}

TEST(ResourcePictures, HandCursorPointsWithItsFingertipAtTheTopLeftCorner)
{
    const QCursor cursor = LoadHandCursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    // The outline of the fingertip touches the hot spot's corner; the far corner stays clear.
    int nearCorner = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            nearCorner += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    EXPECT_GE(nearCorner, 2);
    EXPECT_EQ(qAlpha(image.pixel(31, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 31)), 0);
}

TEST(ResourcePictures, SplashIsOpaqueOnWhite)
{
    const QImage image = LoadSplashPixmap().toImage();
    ASSERT_EQ(image.size(), QSize(kSplashWidth, kSplashHeight));
    EXPECT_FALSE(image.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(400, 0), QPoint(0, 171), QPoint(400, 171)})
        EXPECT_EQ(image.pixel(corner), qRgb(255, 255, 255));
}

TEST(ResourcePictures, UnknownNamesGiveEmptyResultsInsteadOfFailing)
{
    EXPECT_TRUE(LoadResourcePixmap(":/icons/999.svg", QSize(16, 16)).isNull());
    EXPECT_TRUE(LoadResourcePixmap(nullptr, QSize(16, 16)).isNull());
    EXPECT_TRUE(LoadResourcePixmap(kIconBoy, QSize(0, 16)).isNull());
    EXPECT_TRUE(LoadResourceIcon("/no/such/file.svg").isNull());
}

class Skin : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(ProgramFile(kSkinFile));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        m_sheet = QString::fromUtf8(file.readAll());
        s_warnings.clear();
        m_previous = qInstallMessageHandler(&Skin::Collect);
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        qApp->setStyleSheet(QString());
    }
    static void Collect(QtMsgType, const QMessageLogContext&, const QString& text)
    {
        s_warnings << text;
    }

    QString m_sheet;
    QtMessageHandler m_previous = nullptr;
    static QStringList s_warnings;
};

QStringList Skin::s_warnings;

TEST_F(Skin, ParsesAndLeavesFontAndRichTextColoursToTheProgram)
{
    QTextEdit plain;
    const QColor defaultText = plain.palette().color(QPalette::Text);
    const QFont defaultFont = plain.font();

    qApp->setStyleSheet(m_sheet);
    QTextEdit transcript;
    transcript.setReadOnly(true);
    transcript.ensurePolished();
    QPushButton button(QStringLiteral("确定"));
    button.ensurePolished();

    EXPECT_TRUE(s_warnings.isEmpty()) << s_warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(transcript.palette().color(QPalette::Text), defaultText);
    EXPECT_EQ(transcript.font().family(), defaultFont.family());
    EXPECT_EQ(button.font().family(), defaultFont.family());
}

// Focus must stay visible: a focused control is drawn differently from an unfocused one.
TEST_F(Skin, FocusedControlsLookDifferent)
{
    qApp->setStyleSheet(m_sheet);
    QWidget window;
    QPushButton button(QStringLiteral("确定"), &window);
    QLineEdit edit(&window);
    edit.move(0, 40);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    ASSERT_TRUE(window.isActiveWindow());

    const auto grabbed = [](QWidget& w, bool focused) {
        if (focused)
            w.setFocus();
        else
            w.clearFocus();
        QApplication::processEvents();
        EXPECT_EQ(w.hasFocus(), focused);
        return w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    };
    for (QWidget* control : {static_cast<QWidget*>(&button), static_cast<QWidget*>(&edit)}) {
        const QImage without = grabbed(*control, false);
        const QImage with = grabbed(*control, true);
        ASSERT_EQ(with.size(), without.size());
        EXPECT_GT(DifferentPixels(with, without), 10) << control->metaObject()->className();
    }
}

TEST(MessageSound, IsAShortQuietlyEndingSixteenBitMonoWave)
{
    QFile file(ProgramFile(kSoundFile));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QByteArray data = file.readAll();
    ASSERT_GE(data.size(), 44);
    const char* raw = data.constData();
    const auto u16 = [raw](int at) { return qFromLittleEndian<quint16>(raw + at); };
    const auto u32 = [raw](int at) { return qFromLittleEndian<quint32>(raw + at); };

    EXPECT_EQ(data.left(4), QByteArray("RIFF"));
    EXPECT_EQ(data.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(u16(20), 1);     // PCM
    EXPECT_EQ(u16(22), 1);     // mono
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u16(34), 16);
    ASSERT_EQ(data.mid(36, 4), QByteArray("data"));
    const quint32 bytes = u32(40);
    ASSERT_EQ(qsizetype(bytes) + 44, data.size());

    const int samples = int(bytes / 2);
    const double seconds = samples / 22050.0;
    EXPECT_GE(seconds, 0.3);
    EXPECT_LE(seconds, 0.5);

    int peak = 0;
    for (int i = 0; i < samples; ++i)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(raw + 44 + 2 * i))));
    EXPECT_LT(peak, 32000);     // no clipping
    EXPECT_GT(peak, 8000);      // but clearly audible
    const auto sample = [raw](int i) { return std::abs(int(qFromLittleEndian<qint16>(raw + 44 + 2 * i))); };
    EXPECT_LT(sample(0), 200);  // fades in and out without a click
    EXPECT_LT(sample(samples - 1), 200);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
