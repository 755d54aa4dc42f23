// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// A small XML document model for the export: the whole document is one text (line ends CR LF) and a table of element
// records points into it. Elements are added one by one or as ready-made fragments; nothing is ever read back out of
// the text, so the parser only has to understand what this program writes, but it stays safe on any input.
class CXmlDocument {
public:
    explicit CXmlDocument(const QString& text = QString());

    // True when the text holds one well-formed element tree; the text is kept either way. nullptr sets no text.
    bool SetDocument(const QString* text);
    bool SetDocument(const QString& text) { return SetDocument(&text); }
    QString GetDocument() const { return m_document; }
    QString GetError() const { return m_error; }

    // An empty value gives an empty element ("<Name/>").
    bool AddElem(const QString& name, const QString& value = QString());
    bool AddChildElem(const QString& name, const QString& value = QString());
    bool SetAttrib(const QString& name, const QString& value);
    bool SetChildAttrib(const QString& name, const QString& value);
    bool IntoElem();
    bool OutOfElem();
    // Inserts the fragment's first element (and whatever follows it) under the current element, after its current
    // child; on a parse error the document is left as it was.
    bool AddChildSubDoc(const QString& fragment);

    // Writes the text in windows-1252; characters outside it become numeric character references. A file that is
    // there is replaced only by a complete one; a device or a pipe is written into. On failure `error`, when given,
    // says why.
    bool Save(const QString& path, QString* error = nullptr) const;

private:
    struct ElemRecord {
        int startLeft = 0;  // "<" of the start tag
        int startRight = 0; // ">" of the start tag
        int endLeft = 0;    // "<" of the end tag; the "/" of an empty element
        int endRight = 0;   // ">" of the end tag; the start tag's ">" for an empty element
        int parent = 0;
        int firstChild = 0;
        int nextSibling = 0;

        bool IsEmpty() const { return startRight == endLeft + 1; }
    };

    struct Tag {
        int left = 0;      // its "<"
        int nameRight = 0; // one past the first token after the "<"
        bool isEnd = false;
    };

    // Where a new element goes. An empty parent is split: the "/" of its "/>" is replaced by ">", CR LF, the new
    // element and the parent's end tag without its ">", which is already there.
    struct Insertion {
        int parent = 0;
        int before = 0;  // the sibling the new element follows; 0 when it becomes the first child
        int edit = 0;    // where the text changes
        int removed = 0; // 1 when an empty parent's "/" is replaced
        int added = 0;   // characters written at the edit

        int TextOffset() const { return removed != 0 ? edit + 3 : edit; }
    };

    QStringView NameOf(int index) const;
    int NewRecord(int parent);
    void Link(int parent, int before, int index);
    void ClearPositions();
    bool Fail(const char* message, QStringView name = {});

    int ParseElement(int parent, int from);
    bool FindTag(int from, Tag& tag);
    int StartElement(int open, const Tag& tag);
    bool ParseEndTag(int index, int from);
    int ParseInserted(const Insertion& at, int length);

    int LastChild(int parent) const;
    int SkipBlanks(int offset) const;
    Insertion Locate(int parent, int before) const;
    bool InsertElementText(Insertion& at, QStringView text);
    void UndoInsertion(const Insertion& at);
    void CommitInsertion(const Insertion& at, int index);
    int InsertElement(int parent, int before, const QString& name, const QString& value);

    bool ReplaceText(int offset, int removed, QStringView text);
    void ShiftRecord(int index, int threshold, int delta);
    void ShiftSubtree(int root, int threshold, int delta);
    void ShiftFollowing(int parent, int sibling, int threshold, int delta);
    bool SetAttribOn(int index, const QString& name, const QString& value);
    bool FindAttribValue(int index, QStringView name, int& left, int& right) const;

    QString m_document;
    QString m_error;
    std::vector<ElemRecord> m_elements; // record 0 stands for the document; never fewer than 8 records
    int m_parent = 0;                   // element holding the current element, 0 for the document
    int m_current = 0;                  // 0 when there is no current element
    int m_child = 0;                    // current child of the current element
    int m_free = 1;                     // next free record
};
