#pragma once
// A position in a sectioned list: section and row (tables) or item (collections).

#include <cstddef>
#include <functional>

namespace kavio::platform {

struct IndexPath {
    int section = 0;
    int row = 0;

    static constexpr IndexPath forRow(int row, int section = 0) { return {section, row}; }
    static constexpr IndexPath forItem(int item, int section = 0) { return {section, item}; }
    constexpr int item() const { return row; }

    friend constexpr bool operator==(const IndexPath&, const IndexPath&) = default;
    friend constexpr bool operator<(const IndexPath& a, const IndexPath& b)
    {
        return a.section != b.section ? a.section < b.section : a.row < b.row;
    }
    friend constexpr bool operator>(const IndexPath& a, const IndexPath& b) { return b < a; }
    friend constexpr bool operator<=(const IndexPath& a, const IndexPath& b) { return !(b < a); }
    friend constexpr bool operator>=(const IndexPath& a, const IndexPath& b) { return !(a < b); }
};

} // namespace kavio::platform

template <>
struct std::hash<kavio::platform::IndexPath> {
    std::size_t operator()(const kavio::platform::IndexPath& p) const noexcept
    {
        return (static_cast<std::size_t>(static_cast<unsigned>(p.section)) << 32)
               ^ static_cast<unsigned>(p.row);
    }
};
