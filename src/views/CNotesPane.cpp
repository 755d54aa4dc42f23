// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CNotesPane.h"

#include "resources/StringTable.h"
#include "widgets/Commands.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QRegularExpression>

namespace {
// What a reader of the notes would take for an address: web addresses with or without their scheme, e-mail
// addresses, and the other common schemes.
const QRegularExpression& AddressPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?:(?:https?|ftp|file)://|mailto:|www\.)[^\s<>"]+[^\s<>".,;:!?)\]}'])"
                       R"(|[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

QString Target(const QString& address) {
    if (address.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + address;
    if (!address.contains(QStringLiteral(":")) && address.contains(u'@'))
        return QStringLiteral("mailto:") + address;
    return address;
}
} // namespace

CNotesPane::CNotesPane(QWidget* parent) : QTextBrowser(parent) {
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setAccessibleName(StringTable::MenuText(kMenuMain, Command::ShowNotes).remove(u'&'));
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
}

QString CNotesPane::LinkedHtml(const QString& text) {
    QString html;
    qsizetype done = 0;
    for (auto it = AddressPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        html += text.mid(done, match.capturedStart() - done).toHtmlEscaped();
        const QString address = match.captured();
        html += QStringLiteral("<a href=\"%1\">%2</a>").arg(Target(address).toHtmlEscaped(), address.toHtmlEscaped());
        done = match.capturedEnd();
    }
    html += text.mid(done).toHtmlEscaped();
    return QStringLiteral("<div style=\"white-space: pre-wrap\">") + html + QStringLiteral("</div>");
}

void CNotesPane::SetText(const QString& text) {
    m_text = text;
    setHtml(LinkedHtml(text));
}

std::unique_ptr<QMenu> CNotesPane::BuildMenu() {
    auto menu = std::make_unique<QMenu>(this);
    QAction* copy = menu->addAction(StringTable::MenuText(kMenuContext, Command::NotesCopy), this, &QTextEdit::copy);
    copy->setEnabled(textCursor().hasSelection());
    QAction* all =
        menu->addAction(StringTable::MenuText(kMenuContext, Command::NotesSelectAll), this, &QTextEdit::selectAll);
    all->setEnabled(!m_text.isEmpty());
    return menu;
}

void CNotesPane::contextMenuEvent(QContextMenuEvent* event) {
    BuildMenu()->exec(event->globalPos());
}
