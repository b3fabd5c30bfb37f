#include "widgets/dialogshowtext.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QSize kSmallest(300, 200);
} // namespace

DialogShowText::DialogShowText(QWidget *parent) : QDialog(parent), m_edit(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("选中内容"));
    m_edit->setObjectName(QStringLiteral("textEdit_show"));
    m_edit->setReadOnly(true);
    m_edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
}

QString DialogShowText::text() const { return m_edit->toPlainText(); }

void DialogShowText::SetText(const QString &text)
{
    m_edit->setPlainText(text);
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    // The frame, the margins and the button row take the rest of the screen.
    const QSize limit = screen ? screen->availableGeometry().size() - QSize(80, 140) : QSize(1200, 600);
    const QSize area = TextSize(text, m_edit->fontMetrics(), limit);
    m_edit->setMinimumSize(std::min(area.width(), kSmallest.width()),
                           std::min(area.height(), kSmallest.height()));
    resize(area + QSize(40, 80));
}

DialogShowText *DialogShowText::ShowText(const QString &text, QWidget *parent)
{
    auto *dialog = new DialogShowText(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->SetText(text);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QSize DialogShowText::TextSize(const QString &text, const QFontMetrics &metrics, const QSize &limit)
{
    const int margin = 2 * metrics.averageCharWidth() + 20; // frame, document margin, scroll bar
    const QStringList lines = text.split(QLatin1Char('\n'));
    int longest = 0;
    for (const QString &line : lines)
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int width = std::max(kSmallest.width(), std::min(longest + margin, limit.width()));
    const int usable = std::max(1, width - margin);
    qint64 rows = 0;
    for (const QString &line : lines)
        rows += std::max<qint64>(1, (metrics.horizontalAdvance(line) + usable - 1) / usable);
    const qint64 height = rows * metrics.lineSpacing() + margin;
    const int fitted = static_cast<int>(std::min<qint64>(height, limit.height()));
    return QSize(width, std::max(kSmallest.height(), fitted));
}
