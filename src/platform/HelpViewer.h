#pragma once
// The help viewer: a window of its own that shows a help file, opened at its contents page.
// One viewer serves the whole program and is reused by every call; a file that is missing,
// unreadable, too large (over 1 MiB) or not a help file is reported by the viewer in its own
// window, never by the caller. Help files are UTF-8 text in a small format of our own, turned
// into HTML by the viewer with every character of the text escaped, so a file cannot inject
// markup, images or links outside itself:
//   @title <window title>          optional, once, before the first topic
//   @topic <id> <title>            begins a topic; the first topic is the contents page
//   <blank line>                   ends a paragraph
//   - <text>                       a list item
//   [[<id>|<text>]]                a link to the topic <id> (letters, digits, '-' and '_')
//   **<text>**                     bold text
//   # <text>                       a comment, not shown
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;
class QPushButton;
class QUrl;

namespace platform {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);

    // Reads the help file and shows its contents page (or the problem with the file).
    void openFile(const QString &path);
    // Shows a topic of the open file; false (and nothing changes) when there is none.
    bool showTopic(const QString &id);
    // Goes back to the topic shown before the current one.
    void back();

    QString currentTopic() const { return m_current; }
    QStringList topicIds() const { return m_order; }
    // The topic ids that the links of a topic lead to.
    QStringList linksOf(const QString &id) const;
    // Why the last file could not be shown; empty when it was shown.
    QString problem() const { return m_problem; }
    QTextBrowser *browser() const { return m_browser; }

    static constexpr qint64 MaxHelpFileBytes = 1024 * 1024;

private:
    struct Topic {
        QString title;
        QString html;
        QStringList links;
    };
    void showProblem(const QString &path, const QString &why);
    void followLink(const QUrl &url);

    QTextBrowser *m_browser;
    QPushButton *m_contents;
    QPushButton *m_back;
    QHash<QString, Topic> m_topics;
    QStringList m_order;
    QStringList m_history;
    QString m_current;
    QString m_problem;
    QString m_windowTitle;
};

// Opens `helpFile` at its contents page in the program's help viewer and brings the viewer to
// the front; stands in for the desktop's help call. Returns the viewer.
HelpViewer *showHelp(const QString &helpFile);
// Closes the program's help viewer, if it is open: the help goes when the program ends.
void closeHelp();

} // namespace platform
