#pragma once
// The lobby's room list as a table model over the profile's room vector: five columns
// (name with the creator's house icon, creator, member count, introduction, creator's
// address). A new room inserts one row, a closed one removes one and an update changes
// one, so the view keeps its selection; a rebuild is a model reset.

#include "Records.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

class CRoomListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NAME, CREATOR, MEMBERS, INTRO, ADDRESS, COLUMN_COUNT };

    explicit CRoomListModel(const std::vector<RoomInfo>& rooms, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static int ColumnWidth(int column);

    void BeginAppend();
    void EndAppend();
    void BeginRemove(int row);
    void EndRemove();
    // The row's record was changed in place.
    void RowChanged(int row);
    void BeginRebuild() { beginResetModel(); }
    void EndRebuild() { endResetModel(); }

    // Houses for a male (grey roof) and any other (red roof) creator.
    void SetIcons(const QIcon& male, const QIcon& female);

private:
    const std::vector<RoomInfo>& m_rooms;
    QIcon m_male;
    QIcon m_female;
};
