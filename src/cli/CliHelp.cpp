// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliHelp.h"

#include "cli/CliCommand.h"

#include <QFile>

namespace {
constexpr qsizetype kWidth = 80;

// The words of `text` in lines of at most kWidth columns, each starting with `indent` spaces; a word longer than a
// line stands alone.
QString Wrapped(const QString& text, qsizetype indent) {
    const QString margin(indent, u' ');
    QString wrapped;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && margin.size() + line.size() + 1 + word.size() > kWidth) {
            wrapped += margin + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return wrapped + margin + line + u'\n';
}

// A line of the manual page: one starting with a dot or a quote would be read as a request.
QString RoffLine(const QString& text) {
    const QString escaped = CliHelp::RoffEscaped(text);
    const bool request = escaped.startsWith(u'.') || escaped.startsWith(u'\'');
    return (request ? QStringLiteral("\\&") : QString()) + escaped + u'\n';
}
} // namespace

CliHelp::CliHelp(const CliCommand& command) : m_command(command) {
    QFile file(QStringLiteral(":/cli/help/%1.txt").arg(command.GetSyntax().name));
    m_written = file.open(QIODevice::ReadOnly);
    if (m_written)
        Read(QString::fromUtf8(file.readAll()));
}

void CliHelp::Read(const QString& text) {
    bool inParagraph = false;
    for (const QString& line : text.split(u'\n')) {
        const QString words = line.simplified();
        if (words.isEmpty()) {
            inParagraph = false;
        } else if (line.startsWith(u'-')) {
            m_options.append({words, QString()});
            inParagraph = false;
        } else if (line.startsWith(u' ') && !m_options.isEmpty()) {
            QString& description = m_options.last().description;
            description += (description.isEmpty() ? QString() : QStringLiteral(" ")) + words;
        } else if (inParagraph) {
            m_paragraphs.last() += u' ' + words;
        } else {
            m_paragraphs.append(words);
            inParagraph = true;
        }
    }
}

QString CliHelp::Text() const {
    QString text = QStringLiteral("usage: korvel-cli %1\n").arg(m_command.UsageLine());
    text += Wrapped(m_command.GetSyntax().summary, 2);
    for (const QString& paragraph : m_paragraphs)
        text += u'\n' + Wrapped(paragraph, 2);
    if (!m_options.isEmpty())
        text += u'\n';
    for (const Option& option : m_options)
        text += QStringLiteral("  %1\n").arg(option.term) + Wrapped(option.description, 6);
    text.chop(1);
    return text;
}

QString CliHelp::Roff() const {
    const CliCommand::Syntax& syntax = m_command.GetSyntax();
    QString roff = QStringLiteral(".SS %1\n").arg(RoffEscaped(syntax.name));
    roff += QStringLiteral(".B korvel\\-cli %1\n").arg(RoffEscaped(syntax.name));
    roff += RoffLine(syntax.arguments);
    roff += QStringLiteral(".PP\n") + RoffLine(syntax.summary);
    for (const QString& paragraph : m_paragraphs)
        roff += QStringLiteral(".PP\n") + RoffLine(paragraph);
    for (const Option& option : m_options) {
        const qsizetype space = option.term.indexOf(u' ');
        const QString name = RoffEscaped(option.term.left(space));
        roff += QStringLiteral(".TP\n\\fB%1\\fR").arg(name);
        if (space > 0)
            roff += QStringLiteral(" \\fI%1\\fR").arg(RoffEscaped(option.term.mid(space + 1)));
        roff += u'\n' + RoffLine(option.description);
    }
    return roff;
}

QString CliHelp::RoffEscaped(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\e"));
    escaped.replace(u'-', QStringLiteral("\\-"));
    return escaped;
}
