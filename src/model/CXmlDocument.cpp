// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CXmlDocument.h"

#include "base/OutputFile.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace {

// Record offsets are 32-bit, so the text never grows beyond what they can address.
constexpr qsizetype kMaxLength = std::numeric_limits<int>::max();

struct Token {
    int left = 0;  // first character of the token's text
    int right = 0; // one past its last character
    int next = 0;  // where the following scan starts
    bool quoted = false;
};

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool IsDelimiter(QChar c) {
    return IsBlank(c) || QStringView(u"<>=\\/?!").contains(c);
}

int Find(QStringView text, QChar c, int from) {
    return static_cast<int>(text.indexOf(c, from));
}

std::optional<Token> ScanToken(QStringView text, int from) {
    const int length = static_cast<int>(text.size());
    int pos = from;
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (pos >= length)
        return std::nullopt;
    const QChar first = text[pos];
    if (first == u'"' || first == u'\'') {
        const int close = Find(text, first, pos + 1);
        return close < 0 ? Token{pos + 1, length, length, true} : Token{pos + 1, close, close + 1, true};
    }
    int end = pos;
    while (end < length && !IsDelimiter(text[end]))
        ++end;
    end = std::max(end, pos + 1);
    return Token{pos, end, end, false};
}

// The name may go on after the token's text only with a character that cannot belong to a name.
bool Matches(QStringView text, const Token& token, QStringView name) {
    const QStringView word = text.sliced(token.left, token.right - token.left);
    if (token.quoted || !name.startsWith(word))
        return false;
    return name.size() == word.size() || QStringView(u" =/[").contains(name[word.size()]);
}

enum class Markup { NotANode, Element, Other };

struct Node {
    Markup kind = Markup::NotANode;
    int end = 0; // one past the node, for Markup::Other
};

Node Terminated(QStringView text, int left, QStringView terminator) {
    const auto at = text.indexOf(terminator, left);
    return at < 0 ? Node{} : Node{Markup::Other, static_cast<int>(at + terminator.size())};
}

// An internal subset in brackets holds declarations that end in ">" too.
Node SkipDocType(QStringView text, int left) {
    int depth = 0;
    for (auto token = ScanToken(text, left + 1); token; token = ScanToken(text, token->next)) {
        if (token->quoted)
            continue;
        const QChar c = text[token->left];
        if (c == u'[')
            ++depth;
        else if (c == u']')
            --depth;
        else if (c == u'>' && depth == 0)
            return {Markup::Other, token->right};
    }
    return {};
}

Node ClassifyMarkup(QStringView text, int left) {
    if (left + 2 >= text.size())
        return {};
    const QChar first = text[left + 1];
    const QChar second = text[left + 2];
    if (first == u'?')
        return Terminated(text, left, u"?>");
    if (first == u'!') {
        if (second == u'[')
            return Terminated(text, left, u"]]>");
        if (second == u'-')
            return Terminated(text, left, u"-->");
        return SkipDocType(text, left);
    }
    return first == u'/' ? Node{} : Node{Markup::Element, left};
}

// Declarations, comments and text before a fragment's first element are dropped; -1 when no element follows.
int FirstElementOffset(QStringView fragment) {
    for (int pos = Find(fragment, u'<', 0); pos >= 0;) {
        const Node node = ClassifyMarkup(fragment, pos);
        if (node.kind != Markup::Other)
            return node.kind == Markup::Element ? pos : -1;
        pos = Find(fragment, u'<', node.end);
    }
    return -1;
}

QStringView EntityFor(QChar c, bool attribute) {
    switch (c.unicode()) {
    case u'<':
        return u"&lt;";
    case u'&':
        return u"&amp;";
    case u'>':
        return u"&gt;";
    case u'\'':
        return attribute ? QStringView(u"&apos;") : QStringView();
    case u'"':
        return attribute ? QStringView(u"&quot;") : QStringView();
    default:
        return {};
    }
}

QString Escape(QStringView value, bool attribute) {
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        const QStringView entity = EntityFor(c, attribute);
        if (entity.isEmpty())
            escaped += c;
        else
            escaped += entity;
    }
    return escaped;
}

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

// iconv converts the runs it can; it stops at each character windows-1252 lacks, which is written as a character
// reference instead, so the file loses nothing.
std::optional<QByteArray> EncodeWindows1252(const QString& text) {
    static_assert(sizeof(wchar_t) == 4, "WCHAR_T input must hold whole code points");
    const iconv_t handle = iconv_open("WINDOWS-1252", "WCHAR_T");
    if (handle == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    const std::unique_ptr<void, IconvCloser> closer(handle);
    std::wstring wide = text.toStdWString();
    QByteArray encoded;
    encoded.reserve(static_cast<qsizetype>(wide.size()));
    char* in = reinterpret_cast<char*>(wide.data());
    size_t inLeft = wide.size() * sizeof(wchar_t);
    char chunk[16384];
    while (inLeft > 0) {
        char* out = chunk;
        size_t outLeft = sizeof(chunk);
        const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        encoded.append(chunk, out - chunk);
        if (result != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        if (error != EILSEQ)
            return std::nullopt;
        const auto codePoint = static_cast<quint32>(wide[wide.size() - inLeft / sizeof(wchar_t)]);
        encoded += "&#" + QByteArray::number(codePoint) + ';';
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
    }
    return encoded;
}

} // namespace

CXmlDocument::CXmlDocument(const QString& text) {
    SetDocument(&text);
}

// A text too long for 32-bit offsets is refused outright, so every offset in the table stays addressable.
// Running out of memory on a huge text is one more way for it to be refused.
bool CXmlDocument::SetDocument(const QString* text) {
    m_document = text && text->size() <= kMaxLength ? *text : QString();
    m_error.clear();
    m_free = 1;
    if (m_elements.size() < 8)
        m_elements.resize(8);
    m_elements[0] = ElemRecord();
    int root = -1;
    try {
        const auto wanted = static_cast<size_t>(m_document.size() / 64 + 8);
        if (m_elements.size() < wanted)
            m_elements.resize(wanted);
        root = m_document.isEmpty() ? 0 : ParseElement(0, 0);
    } catch (const std::bad_alloc&) {
        Fail("Not enough memory to parse the document");
    }
    if (root > 0)
        m_elements[0].firstChild = root;
    else
        m_free = 1;
    ClearPositions();
    return root > 0;
}

bool CXmlDocument::AddElem(const QString& name, const QString& value) {
    if (m_parent == 0) {
        // Only one root; before it exists, it follows whatever text (the declaration) is already there.
        if (m_elements[0].firstChild != 0)
            return false;
        m_elements[0].endLeft = static_cast<int>(m_document.size());
    }
    const int index = InsertElement(m_parent, m_current, name, value);
    if (index == 0)
        return false;
    m_current = index;
    m_child = 0;
    return true;
}

bool CXmlDocument::AddChildElem(const QString& name, const QString& value) {
    if (m_current == 0)
        return false;
    const int index = InsertElement(m_current, m_child, name, value);
    if (index == 0)
        return false;
    m_child = index;
    return true;
}

bool CXmlDocument::SetAttrib(const QString& name, const QString& value) {
    return SetAttribOn(m_current, name, value);
}

bool CXmlDocument::SetChildAttrib(const QString& name, const QString& value) {
    return SetAttribOn(m_child, name, value);
}

bool CXmlDocument::IntoElem() {
    if (m_current == 0)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    return true;
}

bool CXmlDocument::OutOfElem() {
    if (m_parent == 0)
        return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_elements[m_parent].parent;
    return true;
}

bool CXmlDocument::AddChildSubDoc(const QString& fragment) {
    m_error.clear();
    if (m_current == 0 || fragment.size() > kMaxLength)
        return false;
    const int first = FirstElementOffset(fragment);
    if (first < 0)
        return false;
    const QStringView element = QStringView(fragment).sliced(first);
    Insertion at = Locate(m_current, m_child);
    const int freeBefore = m_free;
    bool inserted = false;
    int index = -1;
    try {
        inserted = InsertElementText(at, element);
        index = inserted ? ParseInserted(at, static_cast<int>(element.size())) : -1;
    } catch (const std::bad_alloc&) {
        Fail("Not enough memory to parse the fragment");
    }
    if (index <= 0) {
        if (inserted)
            UndoInsertion(at);
        m_free = freeBefore;
        return false;
    }
    CommitInsertion(at, index);
    m_child = index;
    return true;
}

bool CXmlDocument::Save(const QString& path, QString* error) const {
    const std::optional<QByteArray> bytes = EncodeWindows1252(m_document);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("the text cannot be converted to windows-1252");
        return false;
    }
    OutputFile file(path);
    const bool saved = file.Open() && file.write(*bytes) == bytes->size() && file.Commit();
    if (!saved && error)
        *error = file.errorString();
    return saved;
}

QStringView CXmlDocument::NameOf(int index) const {
    const auto token = ScanToken(m_document, m_elements[index].startLeft + 1);
    return token ? QStringView(m_document).sliced(token->left, token->right - token->left) : QStringView();
}

// Records are taken in order and only ever given back in bulk after a failed parse, so the table is a stack.
int CXmlDocument::NewRecord(int parent) {
    if (m_free >= static_cast<int>(m_elements.size()))
        m_elements.resize(static_cast<size_t>(m_free) + m_free / 2);
    const int index = m_free++;
    m_elements[index] = ElemRecord();
    m_elements[index].parent = parent;
    return index;
}

void CXmlDocument::Link(int parent, int before, int index) {
    int& slot = before != 0 ? m_elements[before].nextSibling : m_elements[parent].firstChild;
    m_elements[index].nextSibling = slot;
    slot = index;
}

void CXmlDocument::ClearPositions() {
    m_parent = 0;
    m_current = 0;
    m_child = 0;
}

bool CXmlDocument::Fail(const char* message, QStringView name) {
    m_error = QString::fromLatin1(message).replace(QLatin1String("%s"), name.toString());
    return false;
}

// Iterative, with the records' parent links as the stack of open elements, so deep nesting cannot exhaust the
// call stack. Returns the element's record, 0 when an end tag comes first, or -1 on an error.
int CXmlDocument::ParseElement(int parent, int from) {
    int open = parent; // element whose content is being read
    int previous = 0;  // last complete child of the open element
    int pos = from;
    for (;;) {
        Tag tag;
        if (!FindTag(pos, tag))
            return -1;
        if (tag.isEnd) {
            if (open == parent)
                return 0;
            if (!ParseEndTag(open, tag.left))
                return -1;
            previous = open;
            open = m_elements[open].parent;
            pos = m_elements[previous].endRight + 1;
        } else {
            const int index = StartElement(open, tag);
            if (index < 0)
                return -1;
            if (open != parent)
                Link(open, previous, index);
            const bool empty = m_elements[index].IsEmpty();
            pos = m_elements[index].startRight + 1;
            previous = empty ? index : 0;
            open = empty ? open : index;
        }
        if (open == parent && previous != 0)
            return previous;
    }
}

// Finds the next start or end tag, passing over declarations, comments and CDATA sections.
bool CXmlDocument::FindTag(int from, Tag& tag) {
    for (int left = Find(m_document, u'<', from);;) {
        if (left < 0)
            return Fail("Element tag not found");
        const auto token = ScanToken(m_document, left + 1);
        if (!token)
            return Fail("Abrupt end within tag");
        if (token->quoted)
            return Fail("Tag starts with quote");
        const QChar first = m_document[token->left];
        if (first != u'?' && first != u'!') {
            tag = {left, token->right, first == u'/'};
            return true;
        }
        const Node node = ClassifyMarkup(m_document, left);
        if (node.kind != Markup::Other)
            return Fail("Invalid node");
        left = Find(m_document, u'<', node.end);
    }
}

int CXmlDocument::StartElement(int open, const Tag& tag) {
    const int right = Find(m_document, u'>', tag.nameRight);
    if (right < 0) {
        Fail("End of tag not found");
        return -1;
    }
    const int index = NewRecord(open);
    ElemRecord& element = m_elements[index];
    element.startLeft = tag.left;
    element.startRight = right;
    if (m_document[right - 1] == u'/') {
        element.endLeft = right - 1;
        element.endRight = right;
    }
    return index;
}

bool CXmlDocument::ParseEndTag(int index, int from) {
    const QStringView name = NameOf(index);
    const int left = Find(m_document, u'<', from);
    if (left < 0)
        return Fail("End tag of %s element not found", name);
    int count = 0;
    for (auto token = ScanToken(m_document, left + 1); token; token = ScanToken(m_document, token->next)) {
        if (token->quoted)
            continue;
        if (m_document[token->left] == u'>') {
            if (count < 2)
                break;
            m_elements[index].endLeft = left;
            m_elements[index].endRight = token->left;
            return true;
        }
        ++count;
        if (count == 1 && m_document[token->left] != u'/')
            return Fail("Expecting end tag of element %s", name);
        if (count == 2 && !Matches(m_document, *token, name))
            return Fail("End tag does not correspond to %s", name);
    }
    return Fail("End tag not completed for element %s", name);
}

// A fragment's element must close within the fragment; one that would borrow an end tag from the document around it
// (a same-named ancestor's) was not well-formed on its own.
int CXmlDocument::ParseInserted(const Insertion& at, int length) {
    const int index = ParseElement(at.parent, at.TextOffset());
    if (index == 0)
        Fail("Element tag not found");
    if (index > 0 && m_elements[index].endRight >= at.TextOffset() + length) {
        Fail("End tag of %s element not found", NameOf(index));
        return -1;
    }
    return index;
}

int CXmlDocument::LastChild(int parent) const {
    int last = m_elements[parent].firstChild;
    while (last != 0 && m_elements[last].nextSibling != 0)
        last = m_elements[last].nextSibling;
    return last;
}

int CXmlDocument::SkipBlanks(int offset) const {
    while (offset < m_document.size() && IsBlank(m_document[offset]))
        ++offset;
    return offset;
}

CXmlDocument::Insertion CXmlDocument::Locate(int parent, int before) const {
    Insertion at;
    at.parent = parent;
    at.before = before != 0 ? before : LastChild(parent);
    const ElemRecord& holder = m_elements[parent];
    if (at.before != 0)
        at.edit = SkipBlanks(m_elements[at.before].endRight + 1);
    else if (!holder.IsEmpty())
        at.edit = SkipBlanks(holder.endLeft);
    else {
        at.edit = holder.endLeft;
        at.removed = 1;
    }
    return at;
}

bool CXmlDocument::InsertElementText(Insertion& at, QStringView text) {
    if (at.removed == 0) {
        at.added = static_cast<int>(text.size());
        return ReplaceText(at.edit, 0, text);
    }
    QString split = QStringLiteral(">\r\n");
    split += text;
    split += QLatin1String("</");
    split += NameOf(at.parent);
    at.added = static_cast<int>(split.size());
    return ReplaceText(at.edit, at.removed, split);
}

void CXmlDocument::UndoInsertion(const Insertion& at) {
    const QChar slash = u'/';
    m_document.replace(at.edit, at.added, &slash, at.removed);
}

void CXmlDocument::CommitInsertion(const Insertion& at, int index) {
    const int delta = at.added - at.removed;
    ShiftFollowing(at.parent, at.before != 0 ? m_elements[at.before].nextSibling : 0, at.edit + at.removed, delta);
    if (at.removed != 0) {
        // The parent's ">" moved to where its "/" was; its end tag is the new text's last part.
        ElemRecord& parent = m_elements[at.parent];
        parent.startRight = at.edit;
        parent.endLeft = parent.endRight - static_cast<int>(NameOf(at.parent).size()) - 2;
    }
    Link(at.parent, at.before, index);
}

int CXmlDocument::InsertElement(int parent, int before, const QString& name, const QString& value) {
    const QString escaped = Escape(value, false);
    QString text = QLatin1Char('<') + name;
    text += value.isEmpty() ? QStringLiteral("/>") : QLatin1Char('>') + escaped + QLatin1String("</") + name + u'>';
    text += QLatin1String("\r\n");
    Insertion at = Locate(parent, before);
    if (!InsertElementText(at, text))
        return 0;
    const int index = NewRecord(parent);
    ElemRecord& element = m_elements[index];
    element.startLeft = at.TextOffset();
    const int nameEnd = element.startLeft + 1 + static_cast<int>(name.size());
    element.startRight = value.isEmpty() ? nameEnd + 1 : nameEnd;
    element.endLeft = value.isEmpty() ? nameEnd : nameEnd + 1 + static_cast<int>(escaped.size());
    element.endRight = value.isEmpty() ? nameEnd + 1 : element.endLeft + 2 + static_cast<int>(name.size());
    CommitInsertion(at, index);
    return index;
}

bool CXmlDocument::ReplaceText(int offset, int removed, QStringView text) {
    if (text.size() - removed > kMaxLength - m_document.size())
        return false;
    m_document.replace(offset, removed, text.data(), text.size());
    return true;
}

void CXmlDocument::ShiftRecord(int index, int threshold, int delta) {
    ElemRecord& element = m_elements[index];
    for (int* offset : {&element.startLeft, &element.startRight, &element.endLeft, &element.endRight}) {
        if (*offset >= threshold)
            *offset += delta;
    }
}

void CXmlDocument::ShiftSubtree(int root, int threshold, int delta) {
    for (int index = root;;) {
        ShiftRecord(index, threshold, delta);
        if (m_elements[index].firstChild != 0) {
            index = m_elements[index].firstChild;
            continue;
        }
        while (index != root && m_elements[index].nextSibling == 0)
            index = m_elements[index].parent;
        if (index == root)
            return;
        index = m_elements[index].nextSibling;
    }
}

// Only what follows an edit can hold offsets past it: the later siblings (with their subtrees) at each level and the
// ancestors' end tags. Appending at the end of a long document therefore costs its depth, not its size.
void CXmlDocument::ShiftFollowing(int parent, int sibling, int threshold, int delta) {
    for (;;) {
        for (; sibling != 0; sibling = m_elements[sibling].nextSibling)
            ShiftSubtree(sibling, threshold, delta);
        if (parent == 0)
            return;
        ShiftRecord(parent, threshold, delta);
        sibling = m_elements[parent].nextSibling;
        parent = m_elements[parent].parent;
    }
}

bool CXmlDocument::SetAttribOn(int index, const QString& name, const QString& value) {
    if (index == 0)
        return false;
    const QString escaped = Escape(value, true);
    int left = 0;
    int right = 0;
    QString text = escaped;
    if (!FindAttribValue(index, name, left, right)) {
        const ElemRecord& element = m_elements[index];
        left = right = element.IsEmpty() ? element.endLeft : element.startRight;
        text = QLatin1Char(' ') + name + QLatin1String("=\"") + escaped + u'"';
    }
    if (!ReplaceText(left, right - left, text))
        return false;
    const int delta = static_cast<int>(text.size()) - (right - left);
    ShiftSubtree(index, right, delta);
    ShiftFollowing(m_elements[index].parent, m_elements[index].nextSibling, right, delta);
    return true;
}

// The attribute is a token after the element's name that matches, with a quoted value two tokens later; the scan
// stays within the start tag.
bool CXmlDocument::FindAttribValue(int index, QStringView name, int& left, int& right) const {
    const ElemRecord& element = m_elements[index];
    auto token = ScanToken(m_document, element.startLeft + 1); // the element's name
    bool matchedTwoBack = false;
    bool matchedOneBack = false;
    for (token = token ? ScanToken(m_document, token->next) : token; token && token->next <= element.startRight;
         token = ScanToken(m_document, token->next)) {
        if (token->quoted && matchedTwoBack) {
            left = token->left;
            right = token->right;
            return true;
        }
        matchedTwoBack = std::exchange(matchedOneBack, Matches(m_document, *token, name));
    }
    return false;
}
