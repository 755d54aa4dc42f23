// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbName.h"

#include <QString>

#include <map>
#include <memory>

class CfbContent;

// One element of a compound file being worked on: a storage with its children kept in the format's name order,
// or a stream with its contents. Trees can be as deep as a hostile file makes them, so copying and destruction
// walk them without recursion.
class CfbNode {
public:
    using Children = std::map<QString, std::unique_ptr<CfbNode>, CfbName::Order>;

    static std::unique_ptr<CfbNode> MakeStorage(const QString& name);
    static std::unique_ptr<CfbNode> MakeStream(const QString& name, std::shared_ptr<CfbContent> content);
    ~CfbNode();
    CfbNode(const CfbNode&) = delete;
    CfbNode& operator=(const CfbNode&) = delete;

    const QString& Name() const { return m_name; }
    bool IsStorage() const { return !m_content; }
    const std::shared_ptr<CfbContent>& Content() const { return m_content; }
    const Children& ChildNodes() const { return m_children; }

    // The child of that name by the format's case-insensitive comparison, or null.
    CfbNode* Find(const QString& name) const;
    // Adds a child whose name is not taken yet; cheapest when children come in name order.
    CfbNode* Add(std::unique_ptr<CfbNode> child);
    bool Remove(const QString& name);
    // A copy of the whole subtree; stream contents are shared, as they no longer change.
    std::unique_ptr<CfbNode> Clone() const;
    // True when a stream anywhere below is still open for writing.
    bool HasWriter() const;

private:
    CfbNode(QString name, std::shared_ptr<CfbContent> content);

    QString m_name;
    std::shared_ptr<CfbContent> m_content;
    Children m_children;
};
