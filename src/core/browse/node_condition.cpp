#include "browse/node_condition.h"

namespace tunebay {

std::string_view NodeTypePrefix(int type) {
    switch (type) {
    case kNodeGenre:
        return "tblGenre.lID=";
    case kNodeGroup:
        return "tblGroup.lID=";
    case kNodePackage:
        return "tblPackage.lID=";
    case kNodeMedia:
        return "tblMedia.lID=";
    case kNodeItem:
        return "tblItem.lID=";
    default:
        return {};
    }
}

std::string NodePathCondition(const ScopeNode& node, std::span<const ScopeNode> nodes) {
    std::string text;
    ScopeNode current = node;
    // A well-formed chain visits each array entry at most once; the bound ends a looping one.
    for (std::size_t step = 0; step <= nodes.size(); ++step) {
        const std::string_view prefix = NodeTypePrefix(current.type);
        if (prefix.empty())
            break;
        if (!text.empty())
            text += " AND ";
        text += prefix;
        text += std::to_string(current.id);
        if (current.parent < 0 || static_cast<std::size_t>(current.parent) >= nodes.size())
            break;
        current = nodes[current.parent];
    }
    return text;
}

NodeArray NodeArrayFromChain(const NodeChain& chain) {
    NodeArray nodes{ScopeNode{}};
    for (auto key = chain.rbegin(); key != chain.rend(); ++key)
        nodes.push_back({key->type, key->id, static_cast<std::int32_t>(nodes.size() - 1)});
    return nodes;
}

NodeChain NodeChainOf(std::span<const ScopeNode> nodes, std::size_t index) {
    NodeChain chain;
    for (std::size_t step = 0; index < nodes.size() && step < nodes.size(); ++step) {
        const ScopeNode& node = nodes[index];
        if (node.type == kNodeEnd)
            break;
        chain.push_back({node.type, node.id});
        if (node.parent < 0)
            break;
        index = static_cast<std::size_t>(node.parent);
    }
    return chain;
}

} // namespace tunebay
