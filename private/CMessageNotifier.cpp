#include "CMessageNotifier.h"

#include "CPrivateChatDlg.h"
#include "ILobby.h"
#include "ResourceImages.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

const QColor kWaiting(0, 0, 0);
const QColor kWaitingHover(0, 0, 255);
const QColor kNothing(128, 128, 128);

QFont NotifierFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

// Shown, in front and no longer minimised.
void BringUp(CPrivateChatDlg* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

CMessageNotifier::CMessageNotifier(QWidget* parent, ILobby* lobby)
    : QWidget(parent), m_pLobby(lobby)
{
    // Moves arrive without a button held, so that the text lights up under the pointer.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateAccessibleName(CurrentText());
}

QSize CMessageNotifier::sizeHint() const { return QSize(246, 40); }

QString CMessageNotifier::CurrentText()
{
    if (m_nCount > 0)
        return QStringLiteral("你当前有 %1 条消息,单击查看...").arg(m_nCount);
    m_nCount = 0;
    return QStringLiteral("你当前没有任何消息");
}

QRect CMessageNotifier::TextBox()
{
    const QFontMetrics metrics(NotifierFont());
    const QString text = CurrentText();
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    // Centred with integer division, as the text is drawn.
    const int x0 = (width() - w) / 2;
    const int y0 = (height() - h) / 2;
    return QRect(x0, y0, w, h);
}

bool CMessageNotifier::HitTest(const QPoint& pos)
{
    const QRect box = TextBox();
    return m_nCount > 0 && pos.x() >= box.left() && pos.x() <= box.left() + box.width() &&
           pos.y() >= box.top() && pos.y() <= box.top() + box.height();
}

void CMessageNotifier::Recount()
{
    m_nCount = 0;
    if (m_pLobby) {
        for (const CPrivateChatDlg* window : m_pLobby->ChatWindows()) {
            if (window && window->m_bUnread)
                ++m_nCount;
        }
    }
    UpdateAccessibleName(CurrentText());
    update();
    emit Recounted(m_nCount);
}

bool CMessageNotifier::ShowFirstUnread()
{
    if (!m_pLobby)
        return false;
    // One click opens one conversation: the earliest-created that waits.
    for (CPrivateChatDlg* window : m_pLobby->ChatWindows()) {
        if (window && window->m_bUnread) {
            BringUp(window);
            return true;
        }
    }
    return false;
}

bool CMessageNotifier::OpenFirstUnread()
{
    const bool shown = ShowFirstUnread();
    Recount();
    return shown;
}

void CMessageNotifier::OpenConversation(CPrivateChatDlg* window)
{
    if (window)
        BringUp(window);
    Recount();
}

void CMessageNotifier::UpdateAccessibleName(const QString& text)
{
    if (accessibleName() != text)
        setAccessibleName(text);
}

void CMessageNotifier::paintEvent(QPaintEvent*)
{
    // The whole panel is drawn off-screen and copied in one step; nothing drawn is kept.
    QPixmap canvas(size() * devicePixelRatioF());
    canvas.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(0, 0, width() - 1, height() - 1);

        const QString text = CurrentText();
        const QColor colour = m_nCount > 0 ? (m_bHover ? kWaitingHover : kWaiting) : kNothing;
        const QFont font = NotifierFont();
        painter.setFont(font);
        painter.setPen(colour);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        const QFontMetrics metrics(font);
        const QRect box = TextBox();
        painter.drawText(box.left(), box.top() + metrics.ascent(), text);
        UpdateAccessibleName(text);
    }
    QPainter(this).drawPixmap(0, 0, canvas);
}

void CMessageNotifier::ShowCursorFor(bool overText)
{
    if (overText)
        setCursor(LoadHandCursor()); // 32 by 32, hot spot top-left
    else
        setCursor(Qt::ArrowCursor);
}

void CMessageNotifier::mouseMoveEvent(QMouseEvent* event)
{
    // Only a change of state is drawn.
    const bool over = HitTest(event->position().toPoint());
    if (over != m_bHover) {
        m_bHover = over;
        ShowCursorFor(over);
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CMessageNotifier::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const bool over = HitTest(event->position().toPoint());
    if (over)
        ShowFirstUnread();
    ShowCursorFor(over);
    Recount();
    QWidget::mousePressEvent(event);
}
