#include "app/window/run_rows_model.h"

#include "catalogue/widgets/qt_text.h"
#include "extract/csv_output.h"
#include "extract/item_fields.h"
#include "watch/run_history.h"
#include "web/shown_text.h"

namespace vorn {

namespace {

// The site's characters, as every output of ours shows them.
QString Shown(const std::string& cp932) { return QString::fromStdString(ShownTextOfAnsi(cp932)); }

} // namespace

namespace {

constexpr int kUrlColumn = 4;

} // namespace

RunRowsModel::RunRowsModel(CatalogueDb& db, QObject* parent) : QAbstractTableModel(parent), db_(db) {}

void RunRowsModel::ShowRun(std::int64_t runId) {
    beginResetModel();
    runId_ = runId;
    lastSeq_ = 0;
    atEnd_ = runId == 0;
    rows_ = ReadPage();
    endResetModel();
}

std::vector<RunRowsModel::Row> RunRowsModel::ReadPage() {
    std::vector<Row> page;
    if (atEnd_) {
        return page;
    }
    std::vector<StoredRunRow> stored;
    try {
        stored = RunRowsAfter(db_, runId_, lastSeq_, kPageRows);
    } catch (const DbError& error) {
        atEnd_ = true;
        emit readFailed(QString::fromUtf8(error.what()));
        return page;
    }
    atEnd_ = stored.size() < static_cast<std::size_t>(kPageRows);
    for (const StoredRunRow& row : stored) {
        const ItemFields& fields = row.row.fields;
        page.push_back({{Shown(row.row.change), Shown(CleanField(fields[kTitle])), Shown(CleanField(fields[kPrice])),
                         Shown(CleanField(fields[kReception])), FromCp932(fields[kDetailUrl])}});
        lastSeq_ = row.seq;
    }
    return page;
}

QString RunRowsModel::UrlOf(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row].values[kUrlColumn] : QString();
}

int RunRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RunRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant RunRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    return rows_[index.row()].values[index.column()];
}

QVariant RunRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QString titles[kColumns] = {QStringLiteral("変化"), QStringLiteral("商品名"), QStringLiteral("価格"),
                                             QStringLiteral("受付有無"), QStringLiteral("詳細ページURL")};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return titles[section];
}

bool RunRowsModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !atEnd_; }

void RunRowsModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid()) {
        return;
    }
    std::vector<Row> page = ReadPage();
    if (page.empty()) {
        return;
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}

} // namespace vorn
