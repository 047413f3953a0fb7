#pragma once
// The lobby's user list as an item model over the profile's user list: one row per user,
// text its UserKey, icon by sex. A hello inserts one row and a goodbye removes one, so
// the view keeps its selection and lays out no more than it must; a rebuild is a reset.

#include "CUserList.h"
#include "Records.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QSize>

class CUserListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CUserListModel(const CUserList& users, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Bracket a push_back on the list.
    void BeginAppend();
    void EndAppend();
    // Bracket the removal of one row.
    void BeginRemove(int row);
    void EndRemove();
    // Bracket any other change: the views rebuild from the vector.
    void BeginRebuild() { beginResetModel(); }
    void EndRebuild() { endResetModel(); }

    // The icons of sex 0 and of any other sex; empty icons draw nothing.
    void SetIcons(const QIcon& male, const QIcon& female);
    // Every row reports this size, so a view lays out 10,000 rows without measuring each.
    void SetItemSize(QSize size) { m_itemSize = size; }

private:
    const CUserList& m_users;
    QIcon m_male;
    QIcon m_female;
    QSize m_itemSize;
};
