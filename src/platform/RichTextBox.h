#pragma once
// A read-only display of coloured plain text, driven the way the chat drives its rich text box:
// read and set the whole text, select a range by start and length, replace the selection, colour
// the selection, move the caret to the end (which scrolls the newest line into view), repaint.
// The text is never read as markup: "<b>x</b>" shows as those eight characters. `text()`
// returns exactly what was put in, line breaks as CR LF, and every position counts characters
// of that text. To keep positions equal on screen, each character takes exactly one place in
// the shown document: LF starts a new line, CR shows as nothing (a zero-width blank), and the
// other control characters and the characters a document would read as structure show as the
// replacement character. Colours are &HBBGGRR values; inserted text takes the colour of the
// character before it (the default text colour at the start). Lines wrap at blanks; a longer
// word runs on behind a horizontal scroll bar. The content is bounded only by its owner, who may
// drop the oldest lines (keepLastLines).
#include <QString>
#include <QWidget>

#include <cstdint>

class QTextEdit;

namespace platform {

class RichTextBox : public QWidget {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    // Replaces the whole text (default colour); the caret goes to the start.
    void setText(const QString &text);

    int selStart() const { return m_selStart; }
    int selLength() const { return m_selLength; }
    // Clamped to 0..length of the text; ends any selection.
    void setSelStart(int start);
    // Clamped to 0..the characters after the selection's start.
    void setSelLength(int length);
    QString selText() const { return m_text.mid(m_selStart, m_selLength); }
    // Replaces the selection by `text` (plain); the caret then stands after it.
    void setSelText(const QString &text);
    // Colours the selected characters.
    void setSelColor(int32_t bgr);

    // Colour (&HBBGGRR) of the character at `position`.
    int32_t colorAt(int position) const;
    // Repaints the display now.
    void refresh();
    // Drops the oldest lines (each ending with LF) until at most `count` lines are left; the
    // others keep their text and colours, and positions then count from the new start.
    void keepLastLines(int count);

    // The document view, for appearance (background, font) and tests; its text must be changed
    // only through this class.
    QTextEdit *view() const { return m_view; }

private:
    void applySelection();
    void takeViewSelection();

    QTextEdit *m_view;
    QString m_text;
    int m_selStart = 0;
    int m_selLength = 0;
    bool m_changing = false; // our own change of the document: the view's cursor follows us
};

} // namespace platform
