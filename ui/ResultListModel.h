#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ResultModel.h"

// The result list: for every duplicate group a header row, then one row per
// file. Rows point at the records of the result map, which outlives them: the
// window clears the rows before it frees the results. Texts are made when a row
// is drawn; a row stores its kind, two pointers and its check mark.
class CResultListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kColumnFile, kColumnOccurrences, kColumnInfo, kColumnCount };

    explicit CResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces the rows with those of results, in the map's order, as one reset.
    // Groups of one file, and groups without a first file, are left out.
    void Fill(CResultMap& results);
    void Clear();

    // The record of a file row; null for a header row.
    const CFileRecord* RecordAt(int row) const;
    CFileRecord* MutableRecordAt(int row) const;
    bool IsChecked(int row) const;
    // Sets a row's mark without telling the view; call ChecksChanged afterwards,
    // so a walk over a million rows costs one repaint.
    void SetCheckedQuietly(int row, bool checked);
    void ChecksChanged();

private:
    enum class RowKind : std::uint8_t { Header, FirstFile, OtherFile };
    struct Row {
        CFileRecord* pRecord;    // the group's first file on a header row
        const CDigestKey* pKey;  // header rows only
        RowKind kind;
        bool bChecked;
    };

    QString Text(const Row& row, int column) const;

    std::vector<Row> m_rows;
};
