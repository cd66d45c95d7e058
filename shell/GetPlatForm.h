#pragma once
// The phone model this runs on, by name, for the share text: "Unknown" on anything the
// model table does not list (every desktop).

#include <QString>

namespace kavio::shell {

class GetPlatForm {
public:
    GetPlatForm() = delete;
    // Read afresh at every call.
    static QString platformName();
};

} // namespace kavio::shell
