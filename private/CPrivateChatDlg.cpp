#include "CPrivateChatDlg.h"

#include "CTranscriptView.h"
#include "ChatLines.h"
#include "GbkByteLimit.h"
#include "GbkText.h"
#include "ILobby.h"
#include "MessageBox.h"
#include "Profile.h"
#include "WindowCaption.h"
#include "WindowFont.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kInputMaxBytes = 200;
} // namespace

CPrivateChatDlg::CPrivateChatDlg(QWidget* parent) : QDialog(parent)
{
    setFont(WindowFont());

    m_input = new QLineEdit(this);
    m_input->setAccessibleName(QStringLiteral("发言"));
    m_input->setValidator(new GbkByteLimit(kInputMaxBytes, m_input));
    m_sendButton = new QPushButton(QStringLiteral("发送(&S)"), this);
    // Not a default button: Enter sends from the input line, once.
    m_sendButton->setAutoDefault(false);
    m_sendButton->setDefault(false);
    m_transcript = new CTranscriptView(this);
    m_transcript->setAccessibleName(QStringLiteral("聊天内容"));
    m_transcript->setMinimumSize(400, 260);

    auto* label = new QLabel(QStringLiteral("发言:"), this);
    label->setBuddy(m_input);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(label);
    inputRow->addWidget(m_input, 1);
    inputRow->addWidget(m_sendButton);

    auto* top = new QVBoxLayout(this);
    top->addWidget(m_transcript, 1);
    top->addLayout(inputRow);
    top->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_input, m_sendButton);
    setTabOrder(m_sendButton, m_transcript);
    connect(m_sendButton, &QPushButton::clicked, this, &CPrivateChatDlg::OnSend);
    connect(m_input, &QLineEdit::returnPressed, this, &CPrivateChatDlg::OnSend);

    m_input->setFocus();
    CentreOnScreen();
}

CPrivateChatDlg::CPrivateChatDlg(const UserEntry& peer, ILobby* lobby, QWidget* parent)
    : CPrivateChatDlg(parent)
{
    m_peer = peer;
    m_pLobby = lobby;
}

CPrivateChatDlg::~CPrivateChatDlg() = default;

void CPrivateChatDlg::CentreOnScreen()
{
    // Once, at creation: hiding and showing later keep wherever the user put the window.
    CentreOnPrimaryScreen(this);
}

void CPrivateChatDlg::ShowPrivateLine(const UserEntry& speaker, const std::string& text)
{
    ::ShowPrivateLine(*m_transcript, speaker, text);
}

void CPrivateChatDlg::OnSend()
{
    const std::string text = ToGbk(m_input->text());
    if (text.empty())
        return;
    if (!m_pLobby || !m_pLobby->SendPrivate(m_peer, text)) {
        QPointer<CPrivateChatDlg> self(this);
        ShowMessage(this, QStringLiteral("对方可能不在线,无法发送信息"));
        // The typed text stays for a later try; the window goes out of the way.
        if (self)
            close();
        return;
    }
    ShowPrivateLine(theProfile.m_self, text);
    m_input->clear();
    m_input->setFocus();
}

void CPrivateChatDlg::OnShowState()
{
    SetLiteralWindowTitle(this,
                          QStringLiteral("你在与[%1]对话中").arg(FromGbk(FieldText(m_peer.nick))));
    m_bUnread = false;
    m_input->setFocus();
}

void CPrivateChatDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OnShowState();
}

void CPrivateChatDlg::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    OnShowState();
}

void CPrivateChatDlg::closeEvent(QCloseEvent* event)
{
    // Closing hides the window; it keeps its peer, transcript and position.
    m_bUnread = false;
    QDialog::closeEvent(event);
}

void CPrivateChatDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape neither closes nor hides the window
        return;
    }
    QDialog::keyPressEvent(event);
}
