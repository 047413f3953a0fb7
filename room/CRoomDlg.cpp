#include "CRoomDlg.h"

#include "CTranscriptView.h"
#include "ChatLines.h"
#include "ChatLogExport.h"
#include "GbkByteLimit.h"
#include "GbkText.h"
#include "ILobby.h"
#include "MessageBox.h"
#include "Packet.h"
#include "Profile.h"
#include "ResourceImages.h"
#include "Resources.h"
#include "WindowCaption.h"
#include "WindowFont.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int kInputMaxBytes = 200;
constexpr int kRowHeight = 20;
} // namespace

CRoomDlg::CRoomDlg(QWidget* parent) : QDialog(parent)
{
    setFont(WindowFont());
    m_images = {LoadResourceIcon(kIconBoy), LoadResourceIcon(kIconGirl),
                LoadResourceIcon(kIconArrow)};
    BuildControls();
    RefreshMemberList();
    m_inputLine->setFocus();
    CentreOnScreen();
}

CRoomDlg::~CRoomDlg() = default;

void CRoomDlg::BuildControls()
{
    m_transcript = new CTranscriptView(this);
    m_transcript->setAccessibleName(QStringLiteral("聊天内容"));
    m_transcript->setMinimumSize(440, 320);

    m_memberList = new QTableWidget(0, 3, this);
    m_memberList->setAccessibleName(QStringLiteral("用户列表"));
    m_memberList->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("姓名"), QStringLiteral("IP")});
    m_memberList->horizontalHeader()->setMinimumSectionSize(16);
    m_memberList->setColumnWidth(0, 20);
    m_memberList->setColumnWidth(1, 100);
    m_memberList->setColumnWidth(2, 100);
    m_memberList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_memberList->horizontalHeader()->setHighlightSections(false);
    m_memberList->verticalHeader()->hide();
    m_memberList->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_memberList->setIconSize(QSize(16, 16));
    m_memberList->setShowGrid(true);
    m_memberList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_memberList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_memberList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_memberList->setWordWrap(false);
    m_memberList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the three columns, the frame and a vertical scroll bar.
    m_memberList->setFixedWidth(20 + 100 + 100 + 2 * m_memberList->frameWidth() +
                                m_memberList->verticalScrollBar()->sizeHint().width());

    m_inputLine = new QLineEdit(this);
    m_inputLine->setAccessibleName(QStringLiteral("发言"));
    m_inputLine->setValidator(new GbkByteLimit(kInputMaxBytes, m_inputLine));

    m_sendButton = new QPushButton(QStringLiteral("发送(&S)"), this);
    m_saveButton = new QPushButton(QStringLiteral("保存聊天内容(&A)"), this);
    m_clearButton = new QPushButton(QStringLiteral("清空聊天记录(&C)"), this);
    // No button is the default: Enter sends only from the input line.
    for (QPushButton* b : {m_sendButton, m_saveButton, m_clearButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* chatLabel = new QLabel(QStringLiteral("聊天内容:"), this);
    chatLabel->setBuddy(m_transcript);
    auto* usersLabel = new QLabel(QStringLiteral("用户列表:"), this);
    usersLabel->setBuddy(m_memberList);
    auto* inputLabel = new QLabel(QStringLiteral("发言:"), this);
    inputLabel->setBuddy(m_inputLine);

    auto* grid = new QGridLayout;
    grid->addWidget(chatLabel, 0, 0);
    grid->addWidget(usersLabel, 0, 1);
    grid->addWidget(m_transcript, 1, 0);
    grid->addWidget(m_memberList, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setHorizontalSpacing(8);

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(inputLabel);
    inputRow->addWidget(m_inputLine, 1);
    inputRow->addWidget(m_sendButton);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_saveButton);
    buttonRow->addWidget(m_clearButton);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(inputRow);
    top->addLayout(buttonRow);
    // The room window keeps the size its controls need.
    top->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_inputLine, m_sendButton);
    setTabOrder(m_sendButton, m_memberList);
    setTabOrder(m_memberList, m_transcript);
    setTabOrder(m_transcript, m_saveButton);
    setTabOrder(m_saveButton, m_clearButton);

    connect(m_sendButton, &QPushButton::clicked, this, &CRoomDlg::OnSend);
    connect(m_inputLine, &QLineEdit::returnPressed, this, &CRoomDlg::OnSend);
    connect(m_clearButton, &QPushButton::clicked, this, &CRoomDlg::OnClear);
    connect(m_saveButton, &QPushButton::clicked, this, &CRoomDlg::OnSaveLog);
    // Only a mouse click moves the addressee; moving the selection with keys does not.
    connect(m_memberList, &QTableWidget::cellClicked, this, &CRoomDlg::OnClickMemberList);
    connect(m_memberList, &QTableWidget::cellDoubleClicked, this,
            &CRoomDlg::OnDblclkMemberList);
}

void CRoomDlg::CentreOnScreen()
{
    CentreOnPrimaryScreen(this);
}

void CRoomDlg::InitAsHost(ILobby* lobby)
{
    m_members.clear();
    m_nSelected = 0;
    RefreshMemberList();
    m_pLobby = lobby;
    SetRoomCaption(FieldText(theProfile.m_myRoom.name));
    m_bHost = true;
}

void CRoomDlg::InitAsGuest(const RoomInfo& room, ILobby* lobby)
{
    SetField(m_room.name, FieldText(room.name));
    m_room.memberCount = room.memberCount;
    m_room.creator = room.creator;
    m_bHost = false;
    m_pLobby = lobby;
    SetRoomCaption(FieldText(room.name));
}

void CRoomDlg::SetRoomCaption(const std::string& gbkName)
{
    SetLiteralWindowTitle(this, QStringLiteral("房间:[%1]").arg(FromGbk(gbkName)));
}

void CRoomDlg::ShowPublicLine(const UserEntry& speaker, const std::string& text)
{
    ::ShowPublicLine(*m_transcript, speaker, text);
}

void CRoomDlg::ShowDirectedLine(const UserEntry& speaker, const UserEntry& addressee,
                                const std::string& text)
{
    ::ShowDirectedLine(*m_transcript, speaker, addressee, text);
}

void CRoomDlg::ShowNotice(const std::string& text) { ::ShowNotice(*m_transcript, text); }

void CRoomDlg::OnSend()
{
    m_strInput = ToGbk(m_inputLine->text());
    if (m_strInput.empty()) {
        m_inputLine->setFocus();
        return;
    }
    const UserEntry& self = theProfile.m_self;
    if (m_nSelected == 0) {
        SendToMembers(EncodeUserText(PT_ROOM_SAY, self, m_strInput));
        ShowPublicLine(self, m_strInput);
        ResetInput();
        return;
    }
    if (m_nSelected > static_cast<int>(m_members.size()))
        return;
    UserEntry addressee;
    if (!FindOnlineUser(UserKey(m_members[m_nSelected - 1]), addressee))
        return; // the input keeps its text, so that another addressee can be picked
    // The addressed form holds 199 bytes; show what the members will see.
    const std::string text = GbkCut(m_strInput, UUT_TEXT_MAX);
    ShowDirectedLine(self, addressee, text);
    SendToMembers(EncodeUserUserText(PT_ROOM_SAY_TO, self, addressee, text));
    ResetInput();
}

void CRoomDlg::ResetInput()
{
    m_strInput.clear();
    m_inputLine->clear();
    m_inputLine->setFocus();
}

void CRoomDlg::SendToMembers(const Packet& packet)
{
    if (!m_pLobby)
        return;
    for (const UserEntry& member : m_members)
        m_pLobby->SendTo(packet, FieldText(member.ip).c_str());
}

void CRoomDlg::OnClear() { m_transcript->ClearTranscript(); }

void CRoomDlg::OnSaveLog()
{
    QPointer<CRoomDlg> self(this);
    const QString path = AskChatLogPath(this);
    // The room may have been closed while the file dialog was open.
    if (!self || path.isEmpty())
        return;
    if (!WriteChatLog(path, m_transcript->GbkText())) {
        ShowMessage(this, QStringLiteral("文件创建失败"));
        return;
    }
    ShowMessage(this, QStringLiteral("文件保存成功"), BoxIcon::None);
}

void CRoomDlg::OnClose()
{
    QPointer<CRoomDlg> self(this);
    const bool yes = AskQuestion(this, m_bHost ? QStringLiteral("真的要关闭此房间吗?")
                                               : QStringLiteral("真的要离开此房间吗?"));
    // The room may have been closed by its host while the question was open.
    if (!self || !yes)
        return;
    if (m_pLobby)
        m_pLobby->LeaveRoom(); // destroys this window: nothing may follow
    else
        hide();
}

void CRoomDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never closes the room
        return;
    }
    QDialog::keyPressEvent(event);
}

void CRoomDlg::closeEvent(QCloseEvent* event)
{
    // The window never closes itself; the lobby destroys it once the user confirmed.
    event->ignore();
    OnClose();
}
