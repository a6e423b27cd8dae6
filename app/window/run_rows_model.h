#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "catalogue/catalogue_db.h"

namespace vorn {

// The rows one run wrote, for a view: 変化, 商品名, 価格, 受付有無, 詳細ページURL. Read from the
// store a page at a time as the view scrolls to them, so a run of any size shows at once.
class RunRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 200;

    explicit RunRowsModel(CatalogueDb& db, QObject* parent = nullptr);

    // Shows the run's first page (0: no run).
    void ShowRun(std::int64_t runId);
    // The listing's detail page URL of a row.
    QString UrlOf(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The store could not be read: the rows end where they are.
    void readFailed(const QString& error);

private:
    static constexpr int kColumns = 5;
    struct Row {
        QString values[kColumns];
    };

    // The next page, as rows not yet in the model.
    std::vector<Row> ReadPage();

    CatalogueDb& db_;
    std::int64_t runId_ = 0;
    std::int64_t lastSeq_ = 0;
    bool atEnd_ = true;
    std::vector<Row> rows_;
};

} // namespace vorn
