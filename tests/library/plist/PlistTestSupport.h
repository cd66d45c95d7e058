#pragma once
// Small helpers shared by the codec tests: sample values and whole files.

#include "support/TestSupport.h"

#include "library/plist/Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace kavio::plist::testing {

using kavio::test::ScratchFolder;
using kavio::test::writeFile;

inline ValuePtr str(std::string s) { return Value::makeString(std::move(s)); }
inline ValuePtr num(std::int64_t v) { return Value::makeInteger(v); }
inline ValuePtr data(std::string bytes) { return Value::makeData(Bytes(std::move(bytes))); }
inline ValuePtr dict(std::initializer_list<std::pair<const std::string, ValuePtr>> entries)
{
    return Value::makeDictionary(Dictionary(entries));
}
inline ValuePtr array(std::initializer_list<ValuePtr> items) { return Value::makeArray(Array(items)); }

// One value of every type, nested, with text that needs escaping and non-ASCII text.
inline ValuePtr sampleDocument()
{
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<char>(i * 7));
    return dict({
        {"true", Value::makeBoolean(true)}, {"false", Value::makeBoolean(false)}, {"small", num(42)}, {"negative", num(-5)},
        {"int64min", num(INT64_MIN)}, {"uint64max", Value::makeUnsigned(UINT64_MAX)}, {"real", Value::makeReal(0.5)},
        {"date", Value::makeDate(Date{120479613})}, // 2004-10-26T10:33:33Z
        {"ascii", str("Doodah <&> 'quoted'")}, {"unicode", str("M\xC3\xA4ssig, Ma\xC3\x9F \xF0\x9F\x98\x80")},
        {"data", data(bytes)}, {"empty", array({})}, {"emptyDict", dict({})}, {"uid", Value::makeUid(7)},
        {"list", array({num(1), str("two"), array({num(3)}), dict({{"k", str("v")}})})},
        {"nested", dict({{"deeper", dict({{"deepest", array({data("x")})}})}})},
    });
}

// What a read gave, or a string naming why it failed, so that a comparison shows the reason.
inline ValuePtr got(const Result<ValuePtr>& r) { return r.isOk() ? *r : str("<unreadable: " + r.status().toString() + ">"); }

} // namespace kavio::plist::testing
