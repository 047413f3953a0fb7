#include "CSettingsDlg.h"

#include "DialogKeys.h"
#include "GbkByteLimit.h"
#include "GbkText.h"
#include "LobbyTexts.h"
#include "MessageBox.h"
#include "Profile.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSettingsDlg::CSettingsDlg(bool firstRun, QWidget* parent)
    : QDialog(parent), m_bFirstRun(firstRun)
{
    setWindowTitle(LobbyText::SettingsCaption());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* nameLabel = new QLabel(QStringLiteral("姓名:"), this);
    m_pNameEdit = new QLineEdit(this);
    m_pNameEdit->setValidator(new GbkByteLimit(NAME_LIMIT, m_pNameEdit));
    m_pNameEdit->setAccessibleName(QStringLiteral("姓名"));
    nameLabel->setBuddy(m_pNameEdit);

    auto* sexLabel = new QLabel(QStringLiteral("性别:"), this);
    m_pSexCombo = new QComboBox(this);
    m_pSexCombo->addItem(QStringLiteral("男"));
    m_pSexCombo->addItem(QStringLiteral("女"));
    m_pSexCombo->setAccessibleName(QStringLiteral("性别"));
    sexLabel->setBuddy(m_pSexCombo);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_pOkButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    m_pCancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);
    // Neither button is a default one: Enter only confirms from the name edit.
    for (QPushButton* b : {m_pOkButton, m_pCancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_pNameEdit, 0, 1);
    grid->addWidget(sexLabel, 1, 0);
    grid->addWidget(m_pSexCombo, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOkButton);
    buttons->addWidget(m_pCancelButton);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(line);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
    m_pNameEdit->setMinimumWidth(150);

    connect(m_pOkButton, &QPushButton::clicked, this, &CSettingsDlg::OnConfirm);
    connect(m_pCancelButton, &QPushButton::clicked, this, [this] { done(0); });
    connect(m_pNameEdit, &QLineEdit::returnPressed, this, &CSettingsDlg::OnConfirm);

    if (m_bFirstRun) {
        m_pSexCombo->setCurrentIndex(0);
    } else {
        m_pNameEdit->setText(FromGbk(FieldText(theProfile.m_self.nick)));
        m_pSexCombo->setCurrentIndex(theProfile.m_self.sex != 0 ? 1 : 0);
    }
}

void CSettingsDlg::OnInitDialog()
{
    if (m_bInitDone)
        return;
    m_bInitDone = true;
    if (m_bFirstRun)
        ShowMessage(this, LobbyText::FirstRun(), BoxIcon::None);
}

int CSettingsDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CSettingsDlg::OnConfirm()
{
    const QString name = m_pNameEdit->text();
    if (name.isEmpty() || name == LobbyText::Everybody()) {
        ShowMessage(this, LobbyText::BadName());
        return;
    }
    if (!m_bFirstRun && !AskQuestion(this, LobbyText::RestartQuestion()))
        return;
    // A name of the edit's full 20 bytes loses its last character (one or two bytes):
    // the field keeps 19 bytes and never half a Chinese character.
    const std::string nick = ToGbk(name);
    const int32_t sex = m_pSexCombo->currentIndex() == 1 ? 1 : 0;
    if (m_bFirstRun) {
        theProfile.AdoptIdentity(nick, sex);
    } else {
        SetField(theProfile.m_self.nick, nick);
        theProfile.m_self.sex = sex;
    }
    done(ACCEPTED);
}

// The default OK action does nothing; only the confirm button or Enter in the name
// edit accept.
void CSettingsDlg::accept() {}

void CSettingsDlg::reject() { done(CLOSED); }

void CSettingsDlg::keyPressEvent(QKeyEvent* event)
{
    if (!SwallowCloseKeys(event))
        QDialog::keyPressEvent(event);
}
