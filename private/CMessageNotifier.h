#pragma once
// The lobby's panel that counts the private conversations holding an unseen message and,
// on a click on its text, opens the first of them.

#include <QString>
#include <QWidget>

class CPrivateChatDlg;
class ILobby;

class CMessageNotifier : public QWidget {
    Q_OBJECT
public:
    explicit CMessageNotifier(QWidget* parent = nullptr, ILobby* lobby = nullptr);

    void SetLobby(ILobby* lobby) { m_pLobby = lobby; }
    // Counts the lobby's unread private windows and redraws.
    void Recount();
    // What a click on the text does, for the other ways in (tray, desktop notification):
    // shows the earliest-created waiting conversation, then recounts. False when none
    // waited.
    bool OpenFirstUnread();
    // Brings one conversation up, then recounts.
    void OpenConversation(CPrivateChatDlg* window);

    int Count() const { return m_nCount; }
    bool IsHover() const { return m_bHover; }
    // The text shown for the current count.
    QString CurrentText();
    // The box the text occupies; its right and bottom edges count as inside.
    QRect TextBox();

    QSize sizeHint() const override;

signals:
    // After every recount, so that whatever else shows the count shows this one.
    void Recounted(int count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool HitTest(const QPoint& pos);
    bool ShowFirstUnread();
    void ShowCursorFor(bool overText);
    void UpdateAccessibleName(const QString& text);

    ILobby* m_pLobby = nullptr;
    bool m_bHover = false;
    int m_nCount = 0;
};
