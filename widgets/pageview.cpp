#include "widgets/pageview.h"

#include "ledger/ledgerkinds.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableWidget>

namespace {

// Past this a column (a long remark, say) would push the others off the page.
constexpr int kMaxFittedWidth = 320;

// Numbers before texts, numbers by value, texts as the locale orders them.
// Dates and entry times are written year first, so their texts order them.
bool TextLess(const QString &a, const QString &b)
{
    bool aNumber = false;
    bool bNumber = false;
    const double x = a.trimmed().toDouble(&aNumber);
    const double y = b.trimmed().toDouble(&bNumber);
    if (aNumber && bNumber)
        return x < y;
    if (aNumber != bNumber)
        return aNumber;
    return QString::localeAwareCompare(a, b) < 0;
}

// Rows containing a text in any column, in any case; sorted by TextLess.
// Sorting and filtering happen when asked, not after every edit, so a row
// being typed into stays where it is.
class PageFilterModel : public QSortFilterProxyModel
{
public:
    explicit PageFilterModel(QObject *parent) : QSortFilterProxyModel(parent) { setDynamicSortFilter(false); }

    void SetText(const QString &text)
    {
        m_text = text;
        invalidateFilter();
    }
    const QString &text() const { return m_text; }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (m_text.isEmpty())
            return true;
        const QAbstractItemModel *source = sourceModel();
        const int columns = source->columnCount(parent);
        for (int c = 0; c < columns; ++c) {
            if (source->index(row, c, parent).data().toString().contains(m_text, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        return TextLess(left.data().toString(), right.data().toString());
    }

private:
    QString m_text;
};

} // namespace

PageView::PageView(QTableView *view, bool sortable)
    : QObject(view), m_view(view), m_box(new QLineEdit(view->parentWidget()))
{
    // A table widget holds its own items: its rows are hidden instead.
    if (!qobject_cast<QTableWidget *>(view))
        m_proxy = new PageFilterModel(this);
    m_box->setObjectName(QStringLiteral("filter_") + view->objectName());
    m_box->setPlaceholderText(QStringLiteral("筛选 (Ctrl+F)"));
    m_box->setToolTip(QStringLiteral("只显示含有此文字的行；Esc 清除"));
    m_box->setClearButtonEnabled(true);
    m_box->setMaximumWidth(180);
    m_box->installEventFilter(this);
    connect(m_box, &QLineEdit::textChanged, this, &PageView::ApplyFilter);
    if (sortable) {
        QHeaderView *header = view->horizontalHeader();
        header->setSectionsClickable(true);
        connect(header, &QHeaderView::sectionClicked, this, &PageView::SortBy);
    }
}

PageView *PageView::Of(const QTableView *view)
{
    return view ? view->findChild<PageView *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void PageView::SetSourceModel(QAbstractItemModel *model)
{
    if (!m_proxy)
        return;
    m_proxy->setSourceModel(model);
    if (m_view->model() != m_proxy)
        m_view->setModel(m_proxy);
}

void PageView::SetFilteredLabel(QLabel *label)
{
    m_filteredLabel = label;
    if (label)
        label->setVisible(Filtering());
}

bool PageView::Filtering() const { return !m_applied.isEmpty(); }

void PageView::SetFilterText(const QString &text)
{
    m_box->setText(text);
    ApplyFilter();
}

void PageView::FocusSearch()
{
    m_box->setFocus(Qt::ShortcutFocusReason);
    m_box->selectAll();
}

void PageView::ApplyFilter()
{
    const QString text = m_box->text().trimmed();
    m_applied = text;
    if (auto *filter = static_cast<PageFilterModel *>(m_proxy)) {
        if (filter->text() != text)
            filter->SetText(text);
    } else if (QAbstractItemModel *rows = m_view->model()) {
        for (int r = 0; r < rows->rowCount(); ++r) {
            bool match = text.isEmpty();
            for (int c = 0; c < rows->columnCount() && !match; ++c)
                match = rows->index(r, c).data().toString().contains(text, Qt::CaseInsensitive);
            if (m_view->isRowHidden(r) == match)
                m_view->setRowHidden(r, !match);
        }
    }
    if (m_filteredLabel)
        m_filteredLabel->setVisible(Filtering());
    emit ShownRowsChanged();
}

void PageView::SortBy(int column)
{
    if (!m_proxy || column < 0 || column >= m_proxy->columnCount())
        return;
    m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    m_proxy->sort(column, m_sortOrder);
    QHeaderView *header = m_view->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_sortOrder);
}

void PageView::Refilled()
{
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    // Unsorted rows are already in entry order; sorting a million of them
    // again would stop the window for nothing.
    if (m_proxy && m_proxy->sortColumn() >= 0)
        m_proxy->sort(-1);
    m_view->horizontalHeader()->setSortIndicatorShown(false);
    if (Filtering())
        ApplyFilter();
}

void PageView::FitColumns(QTableView *view)
{
    if (!view || !view->model())
        return;
    QHeaderView *header = view->horizontalHeader();
    // A column is measured over as many rows as a screen holds (Qt's default
    // measures a thousand, a fifth of a second on a ledger page); a hidden
    // view is measured over its first rows, never over all of them.
    header->setResizeContentsPrecision(
        qMax(1, view->viewport()->height() / qMax(1, view->verticalHeader()->defaultSectionSize()) + 1));
    const QFontMetrics metrics = view->fontMetrics();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(view->objectName());
    int dateColumn = -1;
    if (page)
        dateColumn = page->group == LedgerKinds::Group::Finance ? LedgerKinds::FinanceDateColumn
                                                                : LedgerKinds::GoodsDateColumn;
    const int last = view->model()->columnCount() - 1;
    for (int c = 0; c <= last; ++c) {
        if (c == last && header->stretchLastSection())
            continue;
        // The wider of title and the rows in view.
        view->resizeColumnToContents(c);
        int width = header->sectionSize(c);
        if (page && c == LedgerKinds::SerialColumn)
            width = qMax(width, metrics.horizontalAdvance(QStringLiteral("2026-12-06 12:00:00:000")) + 16);
        // Room for the date editor's calendar button beside the date.
        if (c == dateColumn)
            width = qMax(width, metrics.horizontalAdvance(QStringLiteral("2026-12-06")) + 44);
        header->resizeSection(c, qMin(width, kMaxFittedWidth));
    }
}

bool PageView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_box->text().isEmpty()) {
        // Escape clears the filter; on an empty box it goes on (a dialog closes).
        m_box->clear();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
