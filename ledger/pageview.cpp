#include "ledger/pageview.h"

#include "ledger/ledgerkinds.h"
#include "ledger/ledgerrows.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
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

// A cell item that sorts by TextLess; the column clicked gets them in place
// of plain items, which compare texts only (so "10" before "9").
class SortItem : public QTableWidgetItem
{
public:
    static constexpr int ItemType = QTableWidgetItem::UserType + 16;
    explicit SortItem(const QTableWidgetItem &from) : QTableWidgetItem(ItemType)
    {
        QTableWidgetItem::operator=(from);
    }
    QTableWidgetItem *clone() const override { return new SortItem(*this); }
    bool operator<(const QTableWidgetItem &other) const override { return TextLess(text(), other.text()); }
};

} // namespace

PageView::PageView(QTableWidget *table, bool sortable)
    : QObject(table), m_table(table), m_box(new QLineEdit(table->parentWidget()))
{
    m_box->setObjectName(QStringLiteral("filter_") + table->objectName());
    m_box->setPlaceholderText(QStringLiteral("筛选 (Ctrl+F)"));
    m_box->setToolTip(QStringLiteral("只显示含有此文字的行；Esc 清除"));
    m_box->setClearButtonEnabled(true);
    m_box->setMaximumWidth(180);
    m_box->installEventFilter(this);
    connect(m_box, &QLineEdit::textChanged, this, &PageView::ApplyFilter);

    if (sortable) {
        QHeaderView *header = table->horizontalHeader();
        header->setSectionsClickable(true);
        connect(header, &QHeaderView::sectionClicked, this, &PageView::SortBy);
    }
}

PageView *PageView::Of(const QTableWidget *table)
{
    return table ? table->findChild<PageView *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
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
    const int columns = m_table->columnCount();
    for (int r = 0; r < m_table->rowCount(); ++r) {
        bool match = text.isEmpty();
        for (int c = 0; c < columns && !match; ++c)
            match = LedgerRows::CellText(m_table, r, c).contains(text, Qt::CaseInsensitive);
        if (m_table->isRowHidden(r) == match)
            m_table->setRowHidden(r, !match);
    }
    if (m_filteredLabel)
        m_filteredLabel->setVisible(Filtering());
    emit ShownRowsChanged();
}

void PageView::SortBy(int column)
{
    if (column < 0 || column >= m_table->columnCount())
        return;
    m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    {
        // Swapping an item for its sorting twin is no edit of the row.
        const QSignalBlocker blocker(m_table);
        for (int r = 0; r < m_table->rowCount(); ++r) {
            const QTableWidgetItem *item = m_table->item(r, column);
            if (item && item->type() == QTableWidgetItem::Type)
                m_table->setItem(r, column, new SortItem(*item));
        }
    }
    m_table->sortItems(column, m_sortOrder);
    QHeaderView *header = m_table->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_sortOrder);
}

void PageView::Refilled()
{
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    m_table->horizontalHeader()->setSortIndicatorShown(false);
    if (Filtering())
        ApplyFilter();
}

void PageView::FitColumns(QTableWidget *table)
{
    if (!table)
        return;
    QHeaderView *header = table->horizontalHeader();
    const QFontMetrics metrics = table->fontMetrics();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(table->objectName());
    int dateColumn = -1;
    if (page)
        dateColumn = page->group == LedgerKinds::Group::Finance ? LedgerKinds::FinanceDateColumn
                                                                : LedgerKinds::GoodsDateColumn;
    const int last = table->columnCount() - 1;
    for (int c = 0; c <= last; ++c) {
        if (c == last && header->stretchLastSection())
            continue;
        // The wider of title and content.
        table->resizeColumnToContents(c);
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
