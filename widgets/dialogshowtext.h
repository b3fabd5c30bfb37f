#pragma once

#include <QDialog>
#include <QSize>

class QFontMetrics;
class QPlainTextEdit;

// The text viewer "选中内容": a cell's whole text, read-only but selectable,
// in a window as large as the text needs and no larger than the screen.
class DialogShowText : public QDialog
{
    Q_OBJECT

public:
    explicit DialogShowText(QWidget *parent = nullptr);

    // Replaces the text and fits the window to it.
    void SetText(const QString &text);
    QString text() const;

    // Opens a viewer on text that goes away when closed; the caller goes on.
    static DialogShowText *ShowText(const QString &text, QWidget *parent = nullptr);

    // The size of the text area for text: wide enough for its longest line and
    // tall enough for its lines once wrapped, at least 300 × 200, at most
    // limit. Lines are wrapped by width in pixels, which is how the box wraps.
    static QSize TextSize(const QString &text, const QFontMetrics &metrics, const QSize &limit);

private:
    QPlainTextEdit *m_edit;
};
