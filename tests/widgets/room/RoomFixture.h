#pragma once
// A room window on a fake lobby, with the profile's identity and online users set for
// the test and put back afterwards.

#include "CRoomDlg.h"
#include "ConversationTestSupport.h"
#include "ScriptedBoxes.h"

#include <QAbstractItemView>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <memory>

namespace convtest {

class RoomFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedSelf = theProfile.m_self;
        m_savedUsers = theProfile.m_users;
        m_savedRoom = theProfile.m_myRoom;
        m_savedHosting = theProfile.m_hosting;
        m_savedJoined = theProfile.m_joined;
        theProfile.m_self = m_host;
        theProfile.m_myRoom.creator = m_host;
        SetField(theProfile.m_myRoom.name, G("闲聊"));
        theProfile.m_myRoom.memberCount = 0;
        theProfile.m_users = {m_host, m_x, m_y, m_z};
        m_dlg = std::make_unique<CRoomDlg>();
    }
    void TearDown() override
    {
        m_dlg.reset();
        theProfile.m_self = m_savedSelf;
        theProfile.m_users = m_savedUsers;
        theProfile.m_myRoom = m_savedRoom;
        theProfile.m_hosting = m_savedHosting;
        theProfile.m_joined = m_savedJoined;
    }

    // A host with members X, Y and Z, in that order, and nothing recorded yet.
    void HostWithThreeMembers()
    {
        m_dlg->InitAsHost(&m_lobby);
        m_dlg->OnJoinRequest(m_x);
        m_dlg->OnJoinRequest(m_y);
        m_dlg->OnJoinRequest(m_z);
        m_lobby.m_sent.clear();
        m_lobby.m_announcedCounts.clear();
    }

    QTableWidget* List() const { return m_dlg->MemberList(); }
    int RowImage(int row) const
    {
        return List()->item(row, 0)->data(CRoomDlg::kImageRole).toInt();
    }
    QString RowName(int row) const { return List()->item(row, 1)->text(); }
    QString RowIp(int row) const { return List()->item(row, 2)->text(); }

    // A mouse click on a row, as the list receives it.
    void ClickRow(int row)
    {
        List()->show();
        const QRect rect = List()->visualRect(List()->model()->index(row, 1));
        LeftPress(List()->viewport(), rect.center());
    }
    void DoubleClickRow(int row)
    {
        List()->show();
        QWidget* vp = List()->viewport();
        const QPoint pos = List()->visualRect(List()->model()->index(row, 1)).center();
        LeftPress(vp, pos);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(pos), QPointF(vp->mapToGlobal(pos)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &dbl);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos),
                            QPointF(vp->mapToGlobal(pos)), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(vp, &release);
    }
    // The row carrying the marker, checked against the images of every row.
    void ExpectMarkerOn(int row)
    {
        EXPECT_EQ(m_dlg->Selected(), row);
        for (int r = 0; r < List()->rowCount(); ++r) {
            if (r == row)
                EXPECT_EQ(RowImage(r), CRoomDlg::kImageMarker) << "row " << r;
            else if (r == 0)
                EXPECT_EQ(RowImage(r), CRoomDlg::kImageNone);
            else
                EXPECT_EQ(RowImage(r), m_dlg->Members()[r - 1].sex == 0 ? 0 : 1) << "row " << r;
        }
    }

    const UserEntry m_host = User("主人", "127.0.2.1", 0);
    const UserEntry m_x = User("小X", "127.0.2.2", 1);
    const UserEntry m_y = User("Y", "127.0.2.3", 0);
    const UserEntry m_z = User("Z", "127.0.2.4", 1);
    FakeLobby m_lobby;
    ScriptedBoxes m_boxes;
    std::unique_ptr<CRoomDlg> m_dlg;

private:
    UserEntry m_savedSelf;
    CUserList m_savedUsers;
    RoomInfo m_savedRoom;
    bool m_savedHosting = false;
    bool m_savedJoined = false;
};

} // namespace convtest
