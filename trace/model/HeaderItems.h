#pragma once
// The header items of a trace (m_strHeaderText): each "key:value" followed by 8 spaces, in
// file order, as the text format's header lines and a CSV file's preamble lines give them.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace header_items {

inline std::string Item(std::string_view key, std::string_view value) {
    return std::string(key) + ":" + std::string(value) + "        ";
}

// The items as key and value: the text before each item's first ':' and the rest.
inline std::vector<std::pair<std::string, std::string>> Split(std::string_view text) {
    constexpr std::string_view kGap = "        ";
    std::vector<std::pair<std::string, std::string>> items;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(kGap, at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view item = text.substr(at, end - at);
        at = end + kGap.size();
        const std::size_t colon = item.find(':');
        items.emplace_back(
            std::string(item.substr(0, colon)),
            colon == std::string_view::npos ? std::string() : std::string(item.substr(colon + 1)));
    }
    return items;
}

}  // namespace header_items
