#include "CSplashDlg.h"

#include "DialogKeys.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimerEvent>

namespace {
constexpr int PICTURE_WIDTH = 401;
constexpr int PICTURE_HEIGHT = 172;

QPixmap SplashPicture()
{
    QPixmap pixmap(PICTURE_WIDTH, PICTURE_HEIGHT);
    pixmap.fill(Qt::white);
    QSvgRenderer svg(QStringLiteral(":/bitmaps/147.svg"));
    if (svg.isValid()) {
        QPainter painter(&pixmap);
        svg.render(&painter, QRectF(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT));
    }
    return pixmap;
}
} // namespace

CSplashDlg::CSplashDlg(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(PICTURE_WIDTH, PICTURE_HEIGHT);
    setAccessibleName(QStringLiteral("Linquo version 1.1"));
    auto* picture = new QLabel(this);
    picture->setPixmap(SplashPicture());
    picture->setGeometry(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT);
    picture->setAccessibleName(QStringLiteral("Linquo version 1.1"));
}

void CSplashDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    if (m_nTimerId == 0)
        m_nTimerId = startTimer(TICK_MS);
}

void CSplashDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_nTimerId) {
        QDialog::timerEvent(event);
        return;
    }
    if (--m_nCountdown <= 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
        done(0);
    }
}

void CSplashDlg::keyPressEvent(QKeyEvent* event)
{
    if (!SwallowCloseKeys(event))
        QDialog::keyPressEvent(event);
}

void CSplashDlg::accept() {}

void CSplashDlg::reject() {}
