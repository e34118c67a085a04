#include "platform/RichTextBox.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

namespace {

QColor fromBgr(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
int32_t toBgr(const QColor &c) { return int32_t(c.red() | c.green() << 8 | c.blue() << 16); }

// One shown character for each character of the text (see the header).
QString shown(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            c = QChar(0x200B);
        else if (u == u'\n' || u == u'\t')
            continue;
        else if (u < 0x20 || u == 0x7F || u == QChar::LineSeparator || u == QChar::ParagraphSeparator
                 || u == QChar::ObjectReplacementCharacter || u == 0xFDD0
                 || u == 0xFDD1)
            c = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent), m_view(new QTextEdit(this))
{
    m_view->setReadOnly(true);
    m_view->setAcceptRichText(false);
    m_view->setUndoRedoEnabled(false);
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_view->setLineWrapMode(QTextEdit::WidgetWidth);
    // Lines wrap at blanks only; a longer word runs on and can be scrolled to. Breaking it
    // anywhere as well costs Qt time that grows with the square of the word's length: a peer's
    // line of 100000 letters froze the display for seconds.
    m_view->setWordWrapMode(QTextOption::WordWrap);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
    // A selection made with the mouse or keyboard is the selection, as in any text box.
    connect(m_view, &QTextEdit::cursorPositionChanged, this, &RichTextBox::takeViewSelection);
    connect(m_view, &QTextEdit::selectionChanged, this, &RichTextBox::takeViewSelection);
}

void RichTextBox::takeViewSelection()
{
    if (m_changing)
        return;
    const QTextCursor cursor = m_view->textCursor();
    m_selStart = std::clamp(cursor.selectionStart(), 0, int(m_text.size()));
    m_selLength = std::clamp(cursor.selectionEnd() - m_selStart, 0, int(m_text.size()) - m_selStart);
}

void RichTextBox::setText(const QString &text)
{
    const QScopedValueRollback guard(m_changing, true);
    m_view->document()->clear();
    QTextCursor cursor(m_view->document());
    cursor.insertText(shown(text), QTextCharFormat());
    m_text = text;
    m_selStart = 0;
    m_selLength = 0;
    applySelection();
}

void RichTextBox::setSelStart(int start)
{
    m_selStart = std::clamp(start, 0, int(m_text.size()));
    m_selLength = 0;
    applySelection();
}

void RichTextBox::setSelLength(int length)
{
    m_selLength = std::clamp(length, 0, int(m_text.size()) - m_selStart);
    applySelection();
}

void RichTextBox::setSelText(const QString &text)
{
    const QScopedValueRollback guard(m_changing, true);
    QTextCursor cursor(m_view->document());
    cursor.setPosition(m_selStart);
    cursor.setPosition(m_selStart + m_selLength, QTextCursor::KeepAnchor);
    // The colour of the character before the insertion point, as the caret would carry it.
    QTextCharFormat format;
    if (m_selStart > 0)
        format.setForeground(fromBgr(colorAt(m_selStart - 1)));
    cursor.insertText(shown(text), format);
    m_text.replace(m_selStart, m_selLength, text);
    m_selStart += int(text.size());
    m_selLength = 0;
    applySelection();
}

void RichTextBox::setSelColor(int32_t bgr)
{
    if (m_selLength == 0)
        return;
    QTextCursor cursor(m_view->document());
    cursor.setPosition(m_selStart);
    cursor.setPosition(m_selStart + m_selLength, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(fromBgr(bgr));
    cursor.mergeCharFormat(format);
}

int32_t RichTextBox::colorAt(int position) const
{
    const QTextBlock block = m_view->document()->findBlock(std::clamp(position, 0, int(m_text.size())));
    QTextCharFormat format = block.charFormat();
    // The line break ending a block has no fragment of its own: it shows the colour of the
    // block's last character.
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() > position)
            break;
        format = fragment.charFormat();
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        return toBgr(format.foreground().color());
    return toBgr(m_view->palette().color(QPalette::Text));
}

void RichTextBox::refresh()
{
    m_view->viewport()->repaint();
}

void RichTextBox::keepLastLines(int count)
{
    QTextDocument *document = m_view->document();
    const int excess = document->blockCount() - std::max(count, 1);
    if (excess <= 0)
        return;
    // The document's blocks are the text's lines, one position per character in both.
    const int cut = document->findBlockByNumber(excess).position();
    const QScopedValueRollback guard(m_changing, true);
    QTextCursor cursor(document);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_text.remove(0, cut);
    const int selEnd = std::max(m_selStart + m_selLength - cut, 0);
    m_selStart = std::max(m_selStart - cut, 0);
    m_selLength = selEnd - m_selStart;
    applySelection();
}

void RichTextBox::applySelection()
{
    const QScopedValueRollback guard(m_changing, true);
    QTextCursor cursor(m_view->document());
    cursor.setPosition(m_selStart);
    cursor.setPosition(m_selStart + m_selLength, QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
    // Brings the caret into view; at the end of the text the newest line shows in full.
    m_view->ensureCursorVisible();
    if (m_selStart + m_selLength == m_text.size())
        m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

} // namespace platform
