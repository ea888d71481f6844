#include <QAbstractItemModelTester>
#include <QTest>
#include <memory>

#include "ui/ResultListModel.h"

namespace {

std::unique_ptr<CFileRecord> Record(const char* folder, const char* name, std::uint32_t size) {
    auto record = std::make_unique<CFileRecord>();
    record->strFolder = folder;
    record->strName = name;
    record->strModified = "2021/03/04 05:06:07";
    record->nSize = size;
    return record;
}

// Three keys with duplicates, one lone file, one group without a first file
// and one with a null later entry: what the list leaves out is part of the case.
CResultMap MakeResults() {
    CResultMap results;
    auto three = std::make_unique<CDuplicateGroup>();
    three->pFirst = Record("/a/", "x.bin", 3000000000u);
    three->others.push_back(Record("/b/", "x.bin", 3000000000u));
    three->others.push_back(Record("/c/", "x.bin", 3000000000u));
    results.emplace(CDigestKey::FromText("1111111111111111111111111111111111111111"),
                    std::move(three));

    auto lone = std::make_unique<CDuplicateGroup>();
    lone->pFirst = Record("/a/", "lone", 1);
    results.emplace(CDigestKey::FromText("2222222222222222222222222222222222222222"),
                    std::move(lone));

    auto headless = std::make_unique<CDuplicateGroup>();
    headless->others.push_back(Record("/a/", "orphan", 1));
    results.emplace(CDigestKey::FromText("3333333333333333333333333333333333333333"),
                    std::move(headless));

    auto withGap = std::make_unique<CDuplicateGroup>();
    withGap->pFirst = Record("/a/", "y", 7);
    withGap->others.push_back(nullptr);
    withGap->others.push_back(Record("/d/", "y", 7));
    results.emplace(CDigestKey::FromText("4444444444444444444444444444444444444444"),
                    std::move(withGap));
    return results;
}

QString RowText(const CResultListModel& model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) {
        cells << model.index(row, column).data().toString();
    }
    return cells.join(QLatin1Char('|'));
}

}  // namespace

class ResultListModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The model's contract through a fill, check changes, a refill and a clear.
    void satisfiesTheModelContract() {
        CResultMap results = MakeResults();
        CResultListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Fill(results);
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
        model.SetCheckedQuietly(2, true);
        model.ChecksChanged();
        model.Fill(results);
        QCOMPARE(model.IsChecked(1), false);  // a fill starts unchecked
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void rowsOfEveryDuplicateGroupInKeyOrder() {
        CResultMap results = MakeResults();
        CResultListModel model;
        model.Fill(results);
        const QStringList expected = {
            QStringLiteral("x.bin|SHA1: 1111111111111111111111111111111111111111|"),
            QStringLiteral("|/a/x.bin|Last modif.: 2021/03/04 05:06:07, size: 3000000000 bytes"),
            QStringLiteral("|/b/x.bin|Last modif. :2021/03/04 05:06:07, size: 3000000000 bytes"),
            QStringLiteral("|/c/x.bin|Last modif. :2021/03/04 05:06:07, size: 3000000000 bytes"),
            QStringLiteral("y|SHA1: 4444444444444444444444444444444444444444|"),
            QStringLiteral("|/a/y|Last modif.: 2021/03/04 05:06:07, size: 7 bytes"),
            QStringLiteral("|/d/y|Last modif. :2021/03/04 05:06:07, size: 7 bytes"),
        };
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            rows << RowText(model, row);
        }
        QCOMPARE(rows, expected);

        // Header rows carry no record; file rows point at the map's own records.
        QCOMPARE(model.RecordAt(0), nullptr);
        QCOMPARE(model.RecordAt(1), results.begin()->second->pFirst.get());
        QCOMPARE(model.RecordAt(4), nullptr);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("File"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Occurrences"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("File info"));
        // Every row has its check box, in the first column.
        for (int row : {0, 1}) {
            QVERIFY(model.flags(model.index(row, 0)).testFlag(Qt::ItemIsUserCheckable));
            QVERIFY(!model.flags(model.index(row, 1)).testFlag(Qt::ItemIsUserCheckable));
        }
    }
};

QTEST_GUILESS_MAIN(ResultListModelTest)
#include "ResultListModelTest.moc"
