// The room window's member list: joins and leaves on the host, their echoes on a member,
// and the addressee marker.

#include "CRoomDlg.h"

#include "ChatLines.h"
#include "GbkText.h"
#include "ILobby.h"
#include "Packet.h"
#include "Profile.h"

#include <QItemSelectionModel>
#include <QTableWidget>

namespace {
int ImageOfSex(int32_t sex) { return sex == 0 ? CRoomDlg::kImageMale : CRoomDlg::kImageFemale; }
} // namespace

bool CRoomDlg::FindOnlineUser(const std::string& key, UserEntry& result)
{
    const int row = theProfile.m_users.FindByKey(key);
    if (row < 0)
        return false;
    const UserEntry& user = theProfile.m_users[static_cast<size_t>(row)];
    result.sex = user.sex;
    SetField(result.nick, FieldText(user.nick));
    SetField(result.ip, FieldText(user.ip));
    return true;
}

int CRoomDlg::IndexOf(const UserEntry& user) const
{
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (SameUser(m_members[i], user))
            return static_cast<int>(i);
    }
    return -1;
}

void CRoomDlg::RefreshMemberList()
{
    m_memberList->setRowCount(0);
    m_memberList->setRowCount(1);
    m_memberList->setItem(0, 0, new QTableWidgetItem);
    m_memberList->setItem(0, 1, new QTableWidgetItem(QStringLiteral("所有人")));
    m_memberList->setItem(0, 2, new QTableWidgetItem);
    SetRowImage(0, m_nSelected == 0 ? kImageMarker : kImageNone);
    for (const UserEntry& member : m_members)
        AddMemberRow(member);
}

void CRoomDlg::AddMemberRow(const UserEntry& member)
{
    const int row = m_memberList->rowCount();
    m_memberList->insertRow(row);
    m_memberList->setItem(row, 0, new QTableWidgetItem);
    m_memberList->setItem(row, 1, new QTableWidgetItem(FromGbk(FieldText(member.nick))));
    m_memberList->setItem(row, 2, new QTableWidgetItem(FromGbk(FieldText(member.ip))));
    SetRowImage(row, row == m_nSelected ? kImageMarker : ImageOfSex(member.sex));
}

void CRoomDlg::SetRowImage(int row, int image)
{
    QTableWidgetItem* item = m_memberList->item(row, 0);
    if (!item)
        return;
    item->setIcon(image >= 0 && image < m_images.size() ? m_images[image] : QIcon());
    item->setData(kImageRole, image);
}

int CRoomDlg::FirstSelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : m_memberList->selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void CRoomDlg::UpdateMemberCount()
{
    theProfile.m_myRoom.memberCount = static_cast<int32_t>(m_members.size());
    if (m_pLobby)
        m_pLobby->AnnounceRoomUpdate();
}

void CRoomDlg::OnJoinRequest(const UserEntry& joiner)
{
    if (IndexOf(joiner) >= 0 || SameUser(joiner, theProfile.m_self))
        return;
    if (m_pLobby) {
        // The older members learn of the joiner, then the joiner learns of the host and
        // of the older members in list order.
        SendToMembers(EncodeUser(PT_MEMBER_ADD, joiner));
        const std::string joinerIp = FieldText(joiner.ip);
        m_pLobby->SendTo(EncodeUser(PT_MEMBER_ADD, theProfile.m_self), joinerIp.c_str());
        for (const UserEntry& member : m_members)
            m_pLobby->SendTo(EncodeUser(PT_MEMBER_ADD, member), joinerIp.c_str());
    }
    m_members.push_back(joiner);
    AddMemberRow(joiner);
    UpdateMemberCount();
    ShowNotice(EnteredNotice(joiner));
}

void CRoomDlg::RemoveMember(int index)
{
    // The selection follows its member, or moves to the row above when that member goes.
    if (index + 1 <= m_nSelected)
        --m_nSelected;
    m_members.erase(m_members.begin() + index);
}

void CRoomDlg::OnMemberLeave(const UserEntry& leaver)
{
    const int index = IndexOf(leaver);
    if (index < 0)
        return;
    const UserEntry gone = leaver; // the caller's record may live in the list
    RemoveMember(index);
    SendToMembers(EncodeUser(PT_MEMBER_REMOVE, gone));
    RefreshMemberList();
    UpdateMemberCount();
    ShowNotice(LeftNotice(gone));
}

void CRoomDlg::OnMemberEntered(const UserEntry& member)
{
    if (IndexOf(member) >= 0 || SameUser(member, theProfile.m_self))
        return;
    m_members.push_back(member);
    AddMemberRow(member);
    ShowNotice(EnteredNotice(member));
}

void CRoomDlg::OnMemberLeft(const UserEntry& member)
{
    const int index = IndexOf(member);
    if (index < 0)
        return;
    const UserEntry gone = member;
    RemoveMember(index);
    RefreshMemberList();
    ShowNotice(LeftNotice(gone));
}

void CRoomDlg::OnClickMemberList()
{
    const int row = FirstSelectedRow();
    if (row < 0 || row == m_nSelected)
        return;
    if (m_nSelected == 0) {
        SetRowImage(0, kImageNone);
    } else {
        // The marker stays on a member who is not online, until that member comes back
        // or leaves the room.
        UserEntry previous;
        if (m_nSelected > static_cast<int>(m_members.size()) ||
            !FindOnlineUser(UserKey(m_members[m_nSelected - 1]), previous))
            return;
        SetRowImage(m_nSelected, ImageOfSex(previous.sex));
    }
    SetRowImage(row, kImageMarker);
    m_nSelected = row;
}

void CRoomDlg::OnDblclkMemberList()
{
    const int row = FirstSelectedRow();
    if (row <= 0 || row > static_cast<int>(m_members.size()) || !m_pLobby)
        return;
    m_pLobby->OpenChatWith(UserKey(m_members[row - 1]));
}
