// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbNode.h"

#include "storage/cfb/CfbContent.h"

#include <utility>
#include <vector>

CfbNode::CfbNode(QString name, std::shared_ptr<CfbContent> content)
    : m_name(std::move(name)), m_content(std::move(content)) {}

std::unique_ptr<CfbNode> CfbNode::MakeStorage(const QString& name) {
    return std::unique_ptr<CfbNode>(new CfbNode(name, nullptr));
}

std::unique_ptr<CfbNode> CfbNode::MakeStream(const QString& name, std::shared_ptr<CfbContent> content) {
    return std::unique_ptr<CfbNode>(new CfbNode(name, std::move(content)));
}

CfbNode::~CfbNode() {
    std::vector<std::unique_ptr<CfbNode>> doomed;
    const auto takeChildren = [&doomed](Children& children) {
        for (auto& entry : children)
            doomed.push_back(std::move(entry.second));
        children.clear();
    };
    takeChildren(m_children);
    while (!doomed.empty()) {
        std::unique_ptr<CfbNode> node = std::move(doomed.back());
        doomed.pop_back();
        takeChildren(node->m_children);
    }
}

CfbNode* CfbNode::Find(const QString& name) const {
    const auto found = m_children.find(name);
    return found == m_children.end() ? nullptr : found->second.get();
}

CfbNode* CfbNode::Add(std::unique_ptr<CfbNode> child) {
    const QString name = child->m_name;
    return m_children.emplace_hint(m_children.end(), name, std::move(child))->second.get();
}

bool CfbNode::Remove(const QString& name) {
    return m_children.erase(name) > 0;
}

std::unique_ptr<CfbNode> CfbNode::Clone() const {
    std::unique_ptr<CfbNode> copy(new CfbNode(m_name, m_content));
    std::vector<std::pair<const CfbNode*, CfbNode*>> pending{{this, copy.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : from->m_children) {
            CfbNode* made = to->Add(std::unique_ptr<CfbNode>(new CfbNode(name, child->m_content)));
            if (child->IsStorage())
                pending.emplace_back(child.get(), made);
        }
    }
    return copy;
}

bool CfbNode::HasWriter() const {
    std::vector<const CfbNode*> pending{this};
    while (!pending.empty()) {
        const CfbNode* node = pending.back();
        pending.pop_back();
        if (!node->IsStorage() && node->m_content->HasWriter())
            return true;
        for (const auto& entry : node->m_children)
            pending.push_back(entry.second.get());
    }
    return false;
}
