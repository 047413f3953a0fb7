#pragma once
// The lobby's user list as an item model over the profile's user vector: one row per
// user, text its UserKey, icon by sex. Appending is a single row insert and a rebuild is
// a model reset, both cheap however long the list.

#include "Records.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QSize>

#include <vector>

class CUserListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CUserListModel(const std::vector<UserEntry>& users, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Bracket a push_back on the vector.
    void BeginAppend();
    void EndAppend();
    // Bracket any other change: the views rebuild from the vector.
    void BeginRebuild() { beginResetModel(); }
    void EndRebuild() { endResetModel(); }

    // The icons of sex 0 and of any other sex; empty icons draw nothing.
    void SetIcons(const QIcon& male, const QIcon& female);
    // Every row reports this size, so a view lays out 10,000 rows without measuring each.
    void SetItemSize(QSize size) { m_itemSize = size; }

private:
    const std::vector<UserEntry>& m_users;
    QIcon m_male;
    QIcon m_female;
    QSize m_itemSize;
};
