#include "ui/ResultListModel.h"

#include <QFile>

CResultListModel::CResultListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString CResultListModel::Text(const Row& row, int column) const {
    const CFileRecord& record = *row.pRecord;
    switch (row.kind) {
        case RowKind::Header:
            if (column == kColumnFile) {
                return QFile::decodeName(record.strName.c_str());
            }
            if (column == kColumnOccurrences) {
                return QStringLiteral("SHA1: ") + QString::fromLatin1(row.pKey->Text());
            }
            return QString();
        case RowKind::FirstFile:
        case RowKind::OtherFile:
            if (column == kColumnOccurrences) {
                return QFile::decodeName(record.FullPath().c_str());
            }
            if (column == kColumnInfo) {
                // The two texts differ in where the colon sits; both are shown
                // as they have always been.
                const QString format = row.kind == RowKind::FirstFile
                                           ? QStringLiteral("Last modif.: %1, size: %2 bytes")
                                           : QStringLiteral("Last modif. :%1, size: %2 bytes");
                return format.arg(QString::fromUtf8(record.strModified))
                    .arg(static_cast<qulonglong>(record.nSize));
            }
            return QString();
    }
    return QString();
}

QVariant CResultListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return QVariant();
    }
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        return Text(row, index.column());
    }
    if (role == Qt::CheckStateRole && index.column() == kColumnFile) {
        return row.bChecked ? Qt::Checked : Qt::Unchecked;
    }
    return QVariant();
}

bool CResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != kColumnFile ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    m_rows[static_cast<std::size_t>(index.row())].bChecked =
        value.value<Qt::CheckState>() == Qt::Checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant CResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
        case kColumnFile:
            return QStringLiteral("File");
        case kColumnOccurrences:
            return QStringLiteral("Occurrences");
        case kColumnInfo:
            return QStringLiteral("File info");
        default:
            return QVariant();
    }
}

Qt::ItemFlags CResultListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kColumnFile) {
        result |= Qt::ItemIsUserCheckable;
    }
    return result;
}

void CResultListModel::Fill(CResultMap& results) {
    beginResetModel();
    m_rows.clear();
    for (const auto& [key, group] : results) {
        if (group == nullptr || group->others.empty() || group->pFirst == nullptr) {
            continue;
        }
        m_rows.push_back(Row{group->pFirst.get(), &key, RowKind::Header, false});
        m_rows.push_back(Row{group->pFirst.get(), nullptr, RowKind::FirstFile, false});
        for (const auto& other : group->others) {
            if (other != nullptr) {
                m_rows.push_back(Row{other.get(), nullptr, RowKind::OtherFile, false});
            }
        }
    }
    endResetModel();
}

void CResultListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

CFileRecord* CResultListModel::MutableRecordAt(int row) const {
    const Row& entry = m_rows.at(static_cast<std::size_t>(row));
    return entry.kind == RowKind::Header ? nullptr : entry.pRecord;
}

const CFileRecord* CResultListModel::RecordAt(int row) const {
    return MutableRecordAt(row);
}

bool CResultListModel::IsChecked(int row) const {
    return m_rows.at(static_cast<std::size_t>(row)).bChecked;
}

void CResultListModel::SetCheckedQuietly(int row, bool checked) {
    m_rows.at(static_cast<std::size_t>(row)).bChecked = checked;
}

void CResultListModel::ChecksChanged() {
    if (!m_rows.empty()) {
        Q_EMIT dataChanged(index(0, kColumnFile), index(rowCount() - 1, kColumnFile),
                           {Qt::CheckStateRole});
    }
}
