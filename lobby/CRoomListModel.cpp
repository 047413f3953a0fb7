#include "CRoomListModel.h"

#include "GbkText.h"
#include "PlainToolTip.h"

CRoomListModel::CRoomListModel(const std::vector<RoomInfo>& rooms, QObject* parent)
    : QAbstractTableModel(parent), m_rooms(rooms)
{
}

int CRoomListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rooms.size());
}

int CRoomListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant CRoomListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= m_rooms.size())
        return {};
    const RoomInfo& r = m_rooms[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == NAME)
        return r.creator.sex == 0 ? m_male : m_female;
    if (role == Qt::ToolTipRole) {
        const QString text = data(index, Qt::DisplayRole).toString();
        return text.isEmpty() ? QVariant() : QVariant(PlainToolTip(text));
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
    case NAME:
        return FromGbk(FieldText(r.name));
    case CREATOR:
        return FromGbk(FieldText(r.creator.nick));
    case MEMBERS:
        return QString::number(r.memberCount);
    case INTRO:
        return FromGbk(FieldText(r.intro));
    case ADDRESS:
        return FromGbk(FieldText(r.creator.ip));
    default:
        return {};
    }
}

QVariant CRoomListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NAME:
        return QStringLiteral("房间名");
    case CREATOR:
        return QStringLiteral("创建人");
    case MEMBERS:
        return QStringLiteral("房间当前人数");
    case INTRO:
        return QStringLiteral("房间简介");
    case ADDRESS:
        return QStringLiteral("房主IP");
    default:
        return {};
    }
}

int CRoomListModel::ColumnWidth(int column)
{
    static const int widths[COLUMN_COUNT] = {150, 150, 100, 400, 200};
    return column >= 0 && column < COLUMN_COUNT ? widths[column] : 0;
}

void CRoomListModel::BeginAppend()
{
    const int row = static_cast<int>(m_rooms.size());
    beginInsertRows(QModelIndex(), row, row);
}

void CRoomListModel::EndAppend() { endInsertRows(); }

void CRoomListModel::BeginRemove(int row) { beginRemoveRows(QModelIndex(), row, row); }

void CRoomListModel::EndRemove() { endRemoveRows(); }

void CRoomListModel::RowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, COLUMN_COUNT - 1));
}

void CRoomListModel::SetIcons(const QIcon& male, const QIcon& female)
{
    m_male = male;
    m_female = female;
    if (!m_rooms.empty())
        emit dataChanged(index(0, NAME), index(rowCount() - 1, NAME), {Qt::DecorationRole});
}
