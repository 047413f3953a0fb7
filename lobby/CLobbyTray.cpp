#include "CLobbyTray.h"

#include "CMessageNotifier.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

constexpr int kIconSize = 64;

// The program's icon with a red disc at the top right that carries the count.
QIcon MarkedIcon(const QIcon& base, int count)
{
    if (count <= 0)
        return base;
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    base.paint(&painter, pixmap.rect());
    const QRectF disc(kIconSize * 0.42, 0, kIconSize * 0.58, kIconSize * 0.58);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(disc);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(count > 9 ? kIconSize / 4 : kIconSize / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter,
                     count > 99 ? QStringLiteral("99+") : QString::number(count));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

CLobbyTray::CLobbyTray(CMessageNotifier& notifier, QWidget* lobbyWindow,
                       std::function<void()> exitCommand, QObject* parent)
    : QObject(parent), m_notifier(notifier), m_pLobbyWindow(lobbyWindow),
      m_exitCommand(std::move(exitCommand)), m_baseIcon(QStringLiteral(":/icons/128.svg")),
      m_pMenu(std::make_unique<QMenu>())
{
    m_pMenu->setAccessibleName(QStringLiteral("Linquo"));
    m_pOpenAction = m_pMenu->addAction(QStringLiteral("打开大厅"));
    m_pExitAction = m_pMenu->addAction(QStringLiteral("退出程序"));
    connect(m_pOpenAction, &QAction::triggered, this, &CLobbyTray::RaiseLobby);
    connect(m_pExitAction, &QAction::triggered, this, [this] {
        if (m_exitCommand)
            m_exitCommand();
    });
    m_icon.setContextMenu(m_pMenu.get());
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CLobbyTray::OnActivated);
    connect(&m_notifier, &CMessageNotifier::Recounted, this, &CLobbyTray::ShowCount);
    ShowCount(m_notifier.Count());
}

CLobbyTray::~CLobbyTray() = default;

void CLobbyTray::Show()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon.show();
}

void CLobbyTray::Hide() { m_icon.hide(); }

void CLobbyTray::ShowCount(int count)
{
    // The notifier's own text: the tooltip never disagrees with the panel.
    m_icon.setToolTip(QStringLiteral("Linquo\n") + m_notifier.CurrentText());
    const int marked = qMax(count, 0);
    if (marked != m_nMarked) {
        m_nMarked = marked;
        m_icon.setIcon(MarkedIcon(m_baseIcon, marked));
    }
}

void CLobbyTray::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (!m_notifier.OpenFirstUnread())
        RaiseLobby();
}

void CLobbyTray::RaiseLobby()
{
    if (!m_pLobbyWindow)
        return;
    m_pLobbyWindow->setWindowState(m_pLobbyWindow->windowState() & ~Qt::WindowMinimized);
    m_pLobbyWindow->show();
    m_pLobbyWindow->raise();
    m_pLobbyWindow->activateWindow();
}
