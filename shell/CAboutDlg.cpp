#include "CAboutDlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 Linquo"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const QIcon icon(QStringLiteral(":/icons/128.svg"));
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(32, 32));
    picture->setAccessibleName(QStringLiteral("Linquo"));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_strText = QStringLiteral("Linquo\n"
                               "version 1.1\n"
                               "\n"
                               "局域网聊天工具,无需服务器\n"
                               "作者: Linquo 开发小组\n"
                               "意见和问题请发到项目的问题列表");
    auto* text = new QLabel(m_strText, this);
    text->setTextFormat(Qt::PlainText);
    text->setAccessibleName(m_strText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pOkButton = new QPushButton(QStringLiteral("确定"), this);
    m_pOkButton->setDefault(true);
    connect(m_pOkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* body = new QHBoxLayout;
    body->addWidget(picture);
    body->addSpacing(12);
    body->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOkButton);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::Text() const { return m_strText; }
