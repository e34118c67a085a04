#include "platform/HelpViewer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace platform {

namespace {

const QRegularExpression &topicIdPattern()
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return re;
}

// One line of text as HTML: escaped first, then links and bold put in.
QString inlineHtml(const QString &text, QStringList &links)
{
    // Bounded repeats: a hostile line of brackets or stars costs linear time, not quadratic.
    static const QRegularExpression link(QStringLiteral("\\[\\[([A-Za-z0-9_-]{1,64})\\|([^\\]]{0,200})\\]\\]"));
    static const QRegularExpression bold(QStringLiteral("\\*\\*([^*]{1,200})\\*\\*"));
    QString html = text.toHtmlEscaped();
    QString out;
    qsizetype from = 0;
    for (auto it = link.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out += html.mid(from, m.capturedStart() - from);
        out += QStringLiteral("<a href=\"topic:%1\">%2</a>").arg(m.captured(1), m.captured(2));
        links << m.captured(1);
        from = m.capturedEnd();
    }
    out += html.mid(from);
    out.replace(bold, QStringLiteral("<b>\\1</b>"));
    return out;
}

} // namespace

HelpViewer::HelpViewer(QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_browser(new QTextBrowser(this)),
      m_contents(new QPushButton(this)),
      m_back(new QPushButton(QStringLiteral("<<"), this))
{
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);
    connect(m_contents, &QPushButton::clicked, this, [this] {
        if (!m_order.isEmpty())
            showTopic(m_order.first());
    });
    connect(m_back, &QPushButton::clicked, this, &HelpViewer::back);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_contents);
    buttons->addWidget(m_back);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    resize(560, 620);
}

void HelpViewer::openFile(const QString &path)
{
    m_topics.clear();
    m_order.clear();
    m_history.clear();
    m_current.clear();
    m_problem.clear();
    m_windowTitle.clear();

    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return showProblem(path, QStringLiteral("missing"));
    if (info.size() > MaxHelpFileBytes)
        return showProblem(path, QStringLiteral("too large"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return showProblem(path, QStringLiteral("unreadable"));
    const QByteArray bytes = file.read(MaxHelpFileBytes + 1);
    if (bytes.size() > MaxHelpFileBytes)
        return showProblem(path, QStringLiteral("too large"));
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    if (decode.hasError() || bytes.contains('\0'))
        return showProblem(path, QStringLiteral("not a help file"));

    // Parse topic by topic; paragraphs and lists are closed at each blank line or change.
    Topic *topic = nullptr;
    QString id;
    enum { None, Para, List } block = None;
    auto close = [&] {
        if (topic && block == Para)
            topic->html += QStringLiteral("</p>\n");

        block = None;
    };
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("@title ")) && !topic) {
            m_windowTitle = line.mid(7).trimmed();
            continue;
        }
        if (line.startsWith(QLatin1String("@topic "))) {
            close();
            const QString rest = line.mid(7).trimmed();
            const qsizetype gap = rest.indexOf(QLatin1Char(' '));
            id = gap < 0 ? rest : rest.left(gap);
            if (!topicIdPattern().match(id).hasMatch() || m_topics.contains(id)) {
                topic = nullptr; // a bad or repeated topic is left out with its text
                continue;
            }
            const QString title = gap < 0 ? id : rest.mid(gap + 1).trimmed();
            topic = &m_topics[id];
            topic->title = title;
            topic->html = QStringLiteral("<h2>%1</h2>\n").arg(title.toHtmlEscaped());
            m_order << id;
            continue;
        }
        if (!topic || line.startsWith(QLatin1Char('#')))
            continue;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            close();
        } else if (trimmed.startsWith(QLatin1String("- "))) {
            // Bulleted paragraphs rather than an HTML list: the text engine numbers list items
            // in quadratic time, which a file with many items would turn into a hang.
            close();
            block = List;
            topic->html += QStringLiteral("<p style=\"margin-left:14px; margin-top:2px; margin-bottom:2px\">"
                                          "\u2022 %1</p>\n")
                               .arg(inlineHtml(trimmed.mid(2), topic->links));
        } else {
            if (block == List)
                close();
            if (block == None) {
                topic->html += QStringLiteral("<p>");
                block = Para;
            } else {
                topic->html += QLatin1Char(' ');
            }
            topic->html += inlineHtml(trimmed, topic->links);
        }
    }
    close();
    if (m_order.isEmpty())
        return showProblem(path, QStringLiteral("not a help file"));

    const Topic &contents = m_topics[m_order.first()];
    m_contents->setText(contents.title);
    m_contents->setEnabled(true);
    setWindowTitle(m_windowTitle.isEmpty() ? info.fileName() : m_windowTitle);
    showTopic(m_order.first());
}

void HelpViewer::showProblem(const QString &path, const QString &why)
{
    m_problem = why;
    m_contents->setText(QStringLiteral("Contents"));
    m_contents->setEnabled(false);
    m_back->setEnabled(false);
    setWindowTitle(QStringLiteral("Help / Hilfe"));
    const QString file = path.toHtmlEscaped();
    m_browser->setHtml(
        QStringLiteral("<h3>Help / Hilfe</h3>"
                       "<p>The help file \"%1\" cannot be shown (%2).</p>"
                       "<p>Die Hilfedatei \"%1\" kann nicht angezeigt werden (%3).</p>")
            .arg(file, why,
                 why == QLatin1String("missing")         ? QStringLiteral("nicht gefunden")
                 : why == QLatin1String("too large")     ? QStringLiteral("zu gro\u00df")
                 : why == QLatin1String("unreadable")    ? QStringLiteral("nicht lesbar")
                                                         : QStringLiteral("keine Hilfedatei")));
}

bool HelpViewer::showTopic(const QString &id)
{
    const auto it = m_topics.constFind(id);
    if (it == m_topics.constEnd())
        return false;
    if (!m_current.isEmpty() && m_current != id)
        m_history << m_current;
    m_current = id;
    m_browser->setHtml(it->html);
    m_back->setEnabled(!m_history.isEmpty());
    return true;
}

void HelpViewer::back()
{
    if (m_history.isEmpty())
        return;
    const QString previous = m_history.takeLast();
    m_current.clear(); // not pushed again
    showTopic(previous);
}

QStringList HelpViewer::linksOf(const QString &id) const
{
    const auto it = m_topics.constFind(id);
    return it == m_topics.constEnd() ? QStringList() : it->links;
}

void HelpViewer::followLink(const QUrl &url)
{
    // Only links to topics of the same file are followed.
    if (url.scheme() == QLatin1String("topic"))
        showTopic(url.path());
}

namespace {
QPointer<HelpViewer> &theViewer()
{
    static QPointer<HelpViewer> viewer;
    return viewer;
}
void deleteViewer() { delete theViewer().data(); }
} // namespace

HelpViewer *showHelp(const QString &helpFile)
{
    if (!theViewer()) {
        theViewer() = new HelpViewer;
        qAddPostRoutine(deleteViewer);
    }
    HelpViewer *viewer = theViewer();
    viewer->openFile(helpFile);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void closeHelp()
{
    if (theViewer())
        theViewer()->close();
}

} // namespace platform
