// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Counts the attributes of each start tag in XML text as it streams past, block by block, before a parser sees it.
// libxml2 checks an element's attributes against each other for duplicates, which takes time growing with the square
// of their number: an element with tens of thousands of them would hold an import for minutes. Comments, CDATA
// sections, processing instructions and declarations are passed over, so that what they hold is never counted.
class XmlAttributeGuard {
public:
    explicit XmlAttributeGuard(int maxAttributes) : m_max(maxAttributes) {}

    // False once a start tag has more than the most attributes; Line() then names its line.
    bool Scan(QByteArrayView block);
    qint64 Line() const { return m_line; }
    int MaxAttributes() const { return m_max; }

private:
    enum class State { Text, Open, Tag, Value, Bang, Comment, CData, Instruction, Declaration };

    bool Step(char c);
    void StepBang(char c);
    void StepUntil(char c, char last, int repeats);

    int m_max;
    State m_state = State::Text;
    char m_quote = 0;
    int m_attributes = 0;
    // Characters of a delimiter seen so far: of `m_prefix` after "<!", of the end of a comment or section.
    int m_matched = 0;
    const char* m_prefix = "";
    qint64 m_line = 1;
};
