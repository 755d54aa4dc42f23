// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/XmlAttributeGuard.h"

bool XmlAttributeGuard::Scan(QByteArrayView block) {
    for (const char c : block) {
        if (c == '\n')
            ++m_line;
        if (!Step(c))
            return false;
    }
    return true;
}

// Every attribute has its '=', and outside a quoted value a start tag holds no other: counting them counts the
// attributes, or more where the tag is broken, which the parser then refuses anyway.
bool XmlAttributeGuard::Step(char c) {
    switch (m_state) {
    case State::Text:
        if (c == '<')
            m_state = State::Open;
        break;
    case State::Open:
        m_matched = 0;
        m_attributes = 0;
        m_state = c == '!' ? State::Bang : c == '?' ? State::Instruction : State::Tag;
        break;
    case State::Tag:
        if (c == '"' || c == '\'') {
            m_quote = c;
            m_state = State::Value;
        } else if (c == '=') {
            return ++m_attributes <= m_max;
        } else if (c == '>') {
            m_state = State::Text;
        }
        break;
    case State::Value:
        if (c == m_quote)
            m_state = State::Tag;
        break;
    case State::Bang:
        StepBang(c);
        break;
    case State::Comment:
        StepUntil(c, '-', 2);
        break;
    case State::CData:
        StepUntil(c, ']', 2);
        break;
    case State::Instruction:
        StepUntil(c, '?', 1);
        break;
    case State::Declaration:
        if (c == '>')
            m_state = State::Text;
        break;
    }
    return true;
}

// After "<!": "--" opens a comment, "[CDATA[" a section; anything else is a declaration.
void XmlAttributeGuard::StepBang(char c) {
    if (m_matched == 0)
        m_prefix = c == '-' ? "--" : "[CDATA[";
    if (c != m_prefix[m_matched]) {
        m_state = c == '>' ? State::Text : State::Declaration;
        return;
    }
    if (m_prefix[++m_matched] == '\0') {
        m_state = m_prefix[0] == '-' ? State::Comment : State::CData;
        m_matched = 0;
    }
}

// The end of a comment ("-->"), a CDATA section ("]]>") or a processing instruction ("?>"): `repeats` times `last`,
// then '>'.
void XmlAttributeGuard::StepUntil(char c, char last, int repeats) {
    if (c == '>' && m_matched >= repeats) {
        m_state = State::Text;
        m_matched = 0;
    } else {
        m_matched = c == last ? m_matched + 1 : 0;
    }
}
