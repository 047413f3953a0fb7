#pragma once
// The chat room of this instance: the room the local user hosts, or another user's room
// that the local user joined. The lobby creates it, calls InitAsHost or InitAsGuest once,
// routes the room's datagrams to it, and destroys it in LeaveRoom.

#include "IRoomWindow.h"
#include "Records.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <string>
#include <vector>

class CTranscriptView;
class ILobby;
struct Packet;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CRoomDlg : public QDialog, public IRoomWindow {
    Q_OBJECT
public:
    explicit CRoomDlg(QWidget* parent = nullptr);
    ~CRoomDlg() override;

    // Exactly one of these, right after creation.
    void InitAsHost(ILobby* lobby);
    void InitAsGuest(const RoomInfo& room, ILobby* lobby);

    // What the lobby delivers (only the gates it checks decide which arrive).
    bool IsHost() const override { return m_bHost; }
    void OnJoinRequest(const UserEntry& joiner) override;
    void OnMemberLeave(const UserEntry& leaver) override;
    void OnMemberEntered(const UserEntry& member) override;
    void OnMemberLeft(const UserEntry& member) override;
    void ShowPublicLine(const UserEntry& speaker, const std::string& text) override;
    void ShowDirectedLine(const UserEntry& speaker, const UserEntry& addressee,
                          const std::string& text) override;
    void ShowNotice(const std::string& text);

    // The joined room as the lobby's list knew it (name, count, creator); defaults on a host.
    const RoomInfo& Room() const { return m_room; }
    const std::vector<UserEntry>& Members() const { return m_members; }
    // Row of the member list that receives the next line; 0 is everybody.
    int Selected() const { return m_nSelected; }

    // Rebuilds the rows from the members: everybody first, the marker on the selected row.
    void RefreshMemberList();

    // The first user of theProfile.m_users whose UserKey equals key (sex takes no part).
    static bool FindOnlineUser(const std::string& key, UserEntry& result);

    // Row images: 0 male, 1 female, 2 the addressee marker, 3 none.
    static constexpr int kImageMale = 0;
    static constexpr int kImageFemale = 1;
    static constexpr int kImageMarker = 2;
    static constexpr int kImageNone = 3;
    static constexpr int kImageRole = Qt::UserRole + 1; // item data holding the image index

    // The controls, for the lobby's tests and ours.
    QTableWidget* MemberList() const { return m_memberList; }
    CTranscriptView* Transcript() const { return m_transcript; }
    QLineEdit* InputLine() const { return m_inputLine; }
    QPushButton* SendButton() const { return m_sendButton; }
    QPushButton* SaveButton() const { return m_saveButton; }
    QPushButton* ClearButton() const { return m_clearButton; }

public slots:
    void OnSend();
    void OnClear();
    void OnSaveLog();
    void OnClickMemberList();
    void OnDblclkMemberList();
    // The close question; on Yes the lobby's LeaveRoom destroys the window.
    void OnClose();
    // The dialog's own OK and Cancel do nothing: the room closes only through OnClose.
    void accept() override {}
    void reject() override {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void CentreOnScreen();
    void AddMemberRow(const UserEntry& member);
    void SetRowImage(int row, int image);
    int FirstSelectedRow() const;
    int IndexOf(const UserEntry& user) const;
    void RemoveMember(int index);
    void SendToMembers(const Packet& packet);
    void SetRoomCaption(const std::string& gbkName);
    void UpdateMemberCount();
    void ResetInput();

    QList<QIcon> m_images;
    int m_nSelected = 0;
    bool m_bHost = false;
    RoomInfo m_room;
    std::vector<UserEntry> m_members;
    ILobby* m_pLobby = nullptr;
    CTranscriptView* m_transcript = nullptr;
    QTableWidget* m_memberList = nullptr;
    std::string m_strInput; // GBK, read from the input line when sending
    QLineEdit* m_inputLine = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_clearButton = nullptr;
};
