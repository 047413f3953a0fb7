#pragma once
// Stand-in for the private chat window until private/CPrivateChatDlg.h exists: it keeps
// the lines it is given and shows nothing else.

#include "ILobby.h"
#include "Records.h"

#include <QDialog>

#include <string>
#include <vector>

class CPrivateChatDlg : public QDialog {
public:
    explicit CPrivateChatDlg(QWidget* parent = nullptr) : QDialog(parent) {}
    void ShowPrivateLine(const UserEntry&, const std::string& text) { m_lines.push_back(text); }

    UserEntry m_peer;
    ILobby* m_pLobby = nullptr;
    bool m_bUnread = false;
    std::vector<std::string> m_lines;
};
