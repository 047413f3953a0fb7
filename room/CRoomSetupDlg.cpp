#include "CRoomSetupDlg.h"

#include "GbkByteLimit.h"
#include "GbkText.h"
#include "MessageBox.h"
#include "Profile.h"
#include "WindowFont.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kNameMaxBytes = sizeof(RoomInfo::name) - 1;
constexpr int kIntroMaxBytes = sizeof(RoomInfo::intro) - 1;
} // namespace

CRoomSetupDlg::CRoomSetupDlg(QWidget* parent) : QDialog(parent)
{
    setFont(WindowFont());
    setWindowTitle(QStringLiteral("房间设置"));

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setAccessibleName(QStringLiteral("房间名"));
    m_nameEdit->setValidator(new GbkByteLimit(kNameMaxBytes, m_nameEdit));
    m_nameEdit->setText(FromGbk(FieldText(theProfile.m_myRoom.name)));
    m_introEdit = new QLineEdit(this);
    m_introEdit->setAccessibleName(QStringLiteral("房间简介"));
    m_introEdit->setValidator(new GbkByteLimit(kIntroMaxBytes, m_introEdit));
    m_introEdit->setText(FromGbk(FieldText(theProfile.m_myRoom.intro)));
    m_nameEdit->setMinimumWidth(220);

    m_okButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_cancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    // No default button: Enter confirms only from the two edits.
    for (QPushButton* b : {m_okButton, m_cancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("房间名:"), this), m_nameEdit);
    form->addRow(new QLabel(QStringLiteral("房间简介:"), this), m_introEdit);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(line);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_okButton, &QPushButton::clicked, this, &CRoomSetupDlg::OnRoomOK);
    connect(m_cancelButton, &QPushButton::clicked, this, &CRoomSetupDlg::OnCancel);
    connect(m_nameEdit, &QLineEdit::returnPressed, this, &CRoomSetupDlg::OnRoomOK);
    connect(m_introEdit, &QLineEdit::returnPressed, this, &CRoomSetupDlg::OnRoomOK);
    m_nameEdit->setFocus();
}

void CRoomSetupDlg::OnRoomOK()
{
    const std::string name = ToGbk(m_nameEdit->text());
    const std::string intro = ToGbk(m_introEdit->text());
    // Blanks count as text; nothing is trimmed.
    if (name.empty()) {
        ShowMessage(this, QStringLiteral("房间名不能为空"), BoxIcon::None);
        m_nameEdit->setFocus();
        return;
    }
    if (intro.empty()) {
        ShowMessage(this, QStringLiteral("房间简介不能为空"), BoxIcon::None);
        m_introEdit->setFocus();
        return;
    }
    SetField(theProfile.m_myRoom.name, name);
    SetField(theProfile.m_myRoom.intro, intro);
    done(kConfirmed);
}

void CRoomSetupDlg::OnCancel() { done(kCancelled); }

void CRoomSetupDlg::reject() { done(kClosed); }

void CRoomSetupDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never cancels
        return;
    }
    QDialog::keyPressEvent(event);
}
