#pragma once

namespace kavio::phone {

// What the metadata editor tells the browser that opened it when it closes.
class IPFManagerDelegate {
public:
    virtual ~IPFManagerDelegate() = default;
    virtual void UpdateTable() = 0;
};

} // namespace kavio::phone
