#include "CUserListModel.h"

#include "GbkText.h"
#include "PlainToolTip.h"

CUserListModel::CUserListModel(const CUserList& users, QObject* parent)
    : QAbstractListModel(parent), m_users(users)
{
}

int CUserListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_users.size());
}

QVariant CUserListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= m_users.size())
        return {};
    const UserEntry& u = m_users[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FromGbk(UserKey(u));
    case Qt::ToolTipRole:
        return PlainToolTip(FromGbk(UserKey(u)));
    case Qt::DecorationRole:
        return u.sex == 0 ? m_male : m_female;
    case Qt::SizeHintRole:
        return m_itemSize.isValid() ? QVariant(m_itemSize) : QVariant();
    default:
        return {};
    }
}

void CUserListModel::BeginAppend()
{
    const int row = static_cast<int>(m_users.size());
    beginInsertRows(QModelIndex(), row, row);
}

void CUserListModel::EndAppend() { endInsertRows(); }

void CUserListModel::BeginRemove(int row) { beginRemoveRows(QModelIndex(), row, row); }

void CUserListModel::EndRemove() { endRemoveRows(); }

void CUserListModel::SetIcons(const QIcon& male, const QIcon& female)
{
    m_male = male;
    m_female = female;
    if (!m_users.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}
