#pragma once

#include <QObject>
#include <QPointer>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

// What the user does to the rows a page shows without touching its stored
// rows: the search box of the page's button row hides the rows that do not
// contain its text, a click on a column title sorts the rows, and columns are
// as wide as their content. Works through a filter model between the page's
// model and its view (a table widget, holding its own items, has its rows
// hidden instead); one per view, a child of it.
class PageView : public QObject
{
    Q_OBJECT
public:
    // Makes the search box ("filter_" + view name) in the view's page for the
    // caller to place, and the filter the view shows its rows through.
    explicit PageView(QTableView *view, bool sortable = true);
    // The page view of a view; null when it has none.
    static PageView *Of(const QTableView *view);

    // The page's rows; the view shows them through proxy() (null on a table widget).
    void SetSourceModel(QAbstractItemModel *model);
    QSortFilterProxyModel *proxy() const { return m_proxy; }
    QTableView *view() const { return m_view; }
    QLineEdit *searchBox() const { return m_box; }
    // Shown while the filter hides rows, next to the totals ("筛选后").
    void SetFilteredLabel(QLabel *label);

    bool Filtering() const;
    // Hides the rows without the text in any column (any case); empty shows all.
    void SetFilterText(const QString &text);
    // Puts the cursor into the search box (Ctrl+F).
    void FocusSearch();

    // First click on a column sorts it ascending, the next one reverses.
    // Numbers sort as numbers; dates and entry times sort as their texts do.
    void SortBy(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // After the page was filled anew: rows in the order they came (entry
    // order), filtered by the text still in the box.
    void Refilled();

    // Columns as wide as their title and the content in view; an empty ledger
    // page still shows a whole date and entry time.
    static void FitColumns(QTableView *view);

signals:
    // Rows were hidden or shown by the filter: totals follow the shown rows.
    void ShownRowsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplyFilter();

    QTableView *m_view;
    QSortFilterProxyModel *m_proxy = nullptr;
    QString m_applied;
    QLineEdit *m_box;
    QPointer<QLabel> m_filteredLabel;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
