#include "library/plist/XmlReader.h"

#include "library/plist/Base64.h"
#include "library/plist/Codec.h"
#include "library/plist/Text.h"

#include <expat.h>

#include <cstring>
#include <limits>

namespace kavio::plist {

namespace {

enum class Kind { None, Plist, Array, Dict, Key, String, Data, Date, Integer, Real, True, False };

Kind kindOf(const char* name)
{
    static constexpr std::pair<std::string_view, Kind> kNames[] = {
        {"plist", Kind::Plist},   {"array", Kind::Array},     {"dict", Kind::Dict}, {"key", Kind::Key},
        {"string", Kind::String}, {"data", Kind::Data},       {"date", Kind::Date}, {"integer", Kind::Integer},
        {"real", Kind::Real},     {"true", Kind::True},       {"false", Kind::False},
    };
    for (const auto& [n, k] : kNames) {
        if (n == name) return k;
    }
    return Kind::None;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool allSpace(std::string_view s)
{
    for (char c : s) {
        if (!isSpace(c)) return false;
    }
    return true;
}

// An open <plist>, <array> or <dict> and what has been read inside it so far.
struct Frame {
    Kind kind;
    Array items;
    Dictionary entries;
    std::string key;
    bool hasKey = false;
    ValuePtr plistValue;
};

} // namespace

class XmlParser::Impl {
public:
    explicit Impl(const Limits& limits) : limits_(limits), parser_(XML_ParserCreate(nullptr))
    {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Impl::onStart, &Impl::onEnd);
        XML_SetCharacterDataHandler(parser_, &Impl::onText);
        XML_SetStartDoctypeDeclHandler(parser_, &Impl::onDoctype);
        XML_SetEntityDeclHandler(parser_, &Impl::onEntityDecl);
        XML_SetSkippedEntityHandler(parser_, &Impl::onSkippedEntity);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
        stack_.reserve(limits.maxDepth + 2);
    }
    ~Impl() { XML_ParserFree(parser_); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Status feed(std::string_view in, XmlParser::Input input, std::size_t& consumed)
    {
        consumed = 0;
        if (!count(in.size())) return error_;
        while (error_ && consumed < in.size()) {
            const std::string_view rest = in.substr(consumed);
            if (inData_) {
                consumed += takeDataText(rest);
                continue;
            }
            const std::size_t tag = rest.find(kDataTag);
            std::size_t n = rest.size();
            if (tag != std::string_view::npos) n = tag + kDataTag.size();
            else if (input == XmlParser::Input::More) n -= partialTagAtEnd(rest);
            if (n == 0) break;
            if (Status s = parseWithExpat(rest.substr(0, n)); !s) return s;
            consumed += n;
            // Only a tag expat itself saw start a <data> element, not one in a comment.
            inData_ = tag != std::string_view::npos && leaf_ == Kind::Data && dataTextAt_ == fed_ && text_.empty();
        }
        total_ -= in.size() - consumed; // counted again when passed again
        return error_;
    }

    Result<ValuePtr> finish()
    {
        if (!error_) return error_;
        if (Status s = check(XML_Parse(parser_, nullptr, 0, XML_TRUE)); !s) return s;
        if (!root_) return Status::corrupt("no property list value");
        return root_;
    }

private:
    static constexpr std::string_view kDataTag = "<data>";
    // Expat copies what it is given into its own buffer; pieces keep that buffer small.
    static constexpr std::size_t kExpatPiece = 256u << 10;

    Status parseWithExpat(std::string_view bytes)
    {
        for (std::size_t pos = 0; pos < bytes.size() && error_; pos += kExpatPiece) {
            const std::string_view piece = bytes.substr(pos, kExpatPiece);
            fed_ += piece.size();
            if (!check(XML_Parse(parser_, piece.data(), static_cast<int>(piece.size()), XML_FALSE)))
                break;
        }
        return error_;
    }

    // Length of the longest proper prefix of "<data>" that ends `s`.
    static std::size_t partialTagAtEnd(std::string_view s)
    {
        for (std::size_t n = std::min(s.size(), kDataTag.size() - 1); n > 0; --n) {
            if (s.substr(s.size() - n) == kDataTag.substr(0, n)) return n;
        }
        return 0;
    }

    // Inside <data>: the text before the next '<' is base64 and whitespace, kept as it
    // is for the decoder. Returns the bytes taken.
    std::size_t takeDataText(std::string_view rest)
    {
        const auto* lt = static_cast<const char*>(std::memchr(rest.data(), '<', rest.size()));
        const std::string_view body = rest.substr(0, lt ? static_cast<std::size_t>(lt - rest.data()) : rest.size());
        if (std::memchr(body.data(), '&', body.size())) {
            inData_ = false; // an entity reference: expat reads the rest of this text
            return 0;
        }
        if (text_.size() + body.size() > maxDataText()) {
            fail(Status::limitExceeded("data too long"));
            return rest.size();
        }
        text_.append(body);
        if (lt) inData_ = false;
        return body.size();
    }

    bool count(std::size_t bytes)
    {
        if (!error_) return false;
        total_ += bytes;
        if (total_ > limits_.maxFileSize) error_ = Status::limitExceeded("property list larger than the limit");
        return error_.isOk();
    }

    Status check(XML_Status status)
    {
        if (!error_) return error_;
        if (status == XML_STATUS_ERROR) {
            error_ = Status::corrupt(std::string(XML_ErrorString(XML_GetErrorCode(parser_))) + " at line " +
                                     std::to_string(XML_GetCurrentLineNumber(parser_)));
        }
        return error_;
    }

    void fail(Status s)
    {
        if (!error_) return;
        error_ = std::move(s);
        XML_StopParser(parser_, XML_FALSE);
    }

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char**)
    {
        static_cast<Impl*>(self)->start(name);
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) { static_cast<Impl*>(self)->end(); }
    static void XMLCALL onText(void* self, const XML_Char* s, int len)
    {
        static_cast<Impl*>(self)->text(std::string_view(s, static_cast<std::size_t>(len)));
    }
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int internalSubset)
    {
        // Apple's DOCTYPE names an external DTD that is never fetched; a subset could
        // declare entities, so it is refused outright.
        if (internalSubset) static_cast<Impl*>(self)->fail(Status::unsupported("DTD internal subset"));
    }
    static void XMLCALL onEntityDecl(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<Impl*>(self)->fail(Status::unsupported("entity declaration"));
    }
    static void XMLCALL onSkippedEntity(void* self, const XML_Char*, int)
    {
        static_cast<Impl*>(self)->fail(Status::unsupported("undeclared entity"));
    }

    // Whether a value may start here: top level, inside <plist> (once), in an array, or
    // in a dictionary after its key.
    bool acceptsValue() const
    {
        if (stack_.empty()) return !root_;
        const Frame& top = stack_.back();
        switch (top.kind) {
        case Kind::Plist: return !top.plistValue;
        case Kind::Array: return true;
        case Kind::Dict: return top.hasKey;
        default: return false;
        }
    }

    void start(const char* name)
    {
        if (!error_) return;
        if (++elements_ > limits_.maxObjects) return fail(Status::limitExceeded("too many elements"));
        if (leaf_ != Kind::None) return fail(Status::corrupt(std::string("element inside <") + name + ">"));
        const Kind kind = kindOf(name);
        switch (kind) {
        case Kind::None: return fail(Status::corrupt(std::string("unknown element <") + name + ">"));
        case Kind::Plist:
            if (!stack_.empty() || root_) return fail(Status::corrupt("misplaced <plist>"));
            stack_.push_back(Frame{kind, {}, {}, {}, false, {}});
            return;
        case Kind::Key:
            if (stack_.empty() || stack_.back().kind != Kind::Dict || stack_.back().hasKey) {
                return fail(Status::corrupt("misplaced <key>"));
            }
            break;
        default:
            if (!acceptsValue()) return fail(Status::corrupt(std::string("misplaced <") + name + ">"));
            break;
        }
        if (kind == Kind::Array || kind == Kind::Dict) {
            if (++depth_ > limits_.maxDepth) return fail(Status::limitExceeded("nesting too deep"));
            stack_.push_back(Frame{kind, {}, {}, {}, false, {}});
            return;
        }
        leaf_ = kind;
        text_.clear();
        if (kind == Kind::Data) dataTextAt_ = XML_GetCurrentByteIndex(parser_) + XML_GetCurrentByteCount(parser_);
    }

    void text(std::string_view s)
    {
        if (!error_) return;
        if (leaf_ == Kind::None) {
            if (!allSpace(s)) fail(Status::corrupt("text outside a value"));
            return;
        }
        if (leaf_ == Kind::Data) {
            // Base64 arrives a line at a time after a newline and the indent: drop both
            // here so the decoder's fast path sees whole lines.
            while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
            if (text_.size() + s.size() > maxDataText()) return fail(Status::limitExceeded("data too long"));
        } else if (text_.size() + s.size() > limits_.maxStringLength) {
            return fail(Status::limitExceeded("string too long"));
        }
        text_.append(s);
    }

    // Base64 text for maxDataLength bytes, with room for whitespace inside lines.
    std::size_t maxDataText() const
    {
        const std::size_t max = std::numeric_limits<std::size_t>::max() / 8;
        return limits_.maxDataLength > max ? max * 4 : (limits_.maxDataLength / 3 + 1) * 8;
    }

    void end()
    {
        if (!error_) return;
        if (leaf_ != Kind::None) return endLeaf();
        Frame frame = std::move(stack_.back());
        stack_.pop_back();
        switch (frame.kind) {
        case Kind::Plist:
            if (!frame.plistValue) return fail(Status::corrupt("empty <plist>"));
            root_ = std::move(frame.plistValue);
            return;
        case Kind::Array:
            --depth_;
            return deliver(Value::makeArray(std::move(frame.items)));
        default:
            --depth_;
            if (frame.hasKey) return fail(Status::corrupt("<key> without a value"));
            return deliver(dictionaryOrUid(std::move(frame.entries)));
        }
    }

    // Keyed archives in XML write a UID as a dictionary with the single key CF$UID.
    static ValuePtr dictionaryOrUid(Dictionary entries)
    {
        if (entries.size() == 1 && entries.begin()->first == "CF$UID") {
            if (const auto n = entries.begin()->second->uint64()) return Value::makeUid(*n);
        }
        return Value::makeDictionary(std::move(entries));
    }

    void endLeaf()
    {
        const Kind kind = leaf_;
        leaf_ = Kind::None;
        switch (kind) {
        case Kind::Key: {
            Frame& dict = stack_.back();
            dict.key.assign(text_);
            dict.hasKey = true;
            return;
        }
        case Kind::String: return deliver(Value::makeString(std::string(text_)));
        case Kind::Data: return deliver(decodeData());
        case Kind::True:
        case Kind::False:
            if (!allSpace(text_)) return fail(Status::corrupt("text inside a boolean"));
            return deliver(Value::makeBoolean(kind == Kind::True));
        case Kind::Integer:
            if (const auto v = text::parseInteger(text_)) {
                return deliver(v->isUnsigned ? Value::makeUnsigned(static_cast<std::uint64_t>(v->bits))
                                             : Value::makeInteger(v->bits));
            }
            return fail(Status::corrupt("bad <integer>"));
        case Kind::Real:
            if (const auto v = text::parseReal(text_)) return deliver(Value::makeReal(*v));
            return fail(Status::corrupt("bad <real>"));
        case Kind::Date:
            if (const auto v = text::parseDate(text_)) return deliver(Value::makeDate(*v));
            return fail(Status::corrupt("bad <date>"));
        default: return;
        }
    }

    ValuePtr decodeData()
    {
        std::string bytes;
        if (!base64Decode(text_, bytes)) {
            fail(Status::corrupt("bad base64 in <data>"));
            return nullptr;
        }
        if (bytes.size() > limits_.maxDataLength) {
            fail(Status::limitExceeded("data too long"));
            return nullptr;
        }
        return Value::makeData(Bytes(std::move(bytes)));
    }

    void deliver(ValuePtr v)
    {
        if (!v) return;
        if (stack_.empty()) {
            root_ = std::move(v);
            return;
        }
        Frame& top = stack_.back();
        if (top.kind == Kind::Plist) {
            top.plistValue = std::move(v);
        } else if (top.kind == Kind::Array) {
            top.items.push_back(std::move(v));
        } else {
            top.entries.insert_or_assign(std::move(top.key), std::move(v)); // duplicate keys: the last wins
            top.key.clear();
            top.hasKey = false;
        }
    }

    const Limits limits_; // a copy: callers may pass a temporary
    XML_Parser parser_;
    Status error_;
    std::vector<Frame> stack_;
    Kind leaf_ = Kind::None;
    std::string text_; // character data of the open leaf element, reused across elements
    ValuePtr root_;
    std::size_t depth_ = 0;
    std::int64_t fed_ = 0;       // bytes handed to expat
    std::int64_t dataTextAt_ = -1; // where the text of the open <data> starts, in expat's bytes
    bool inData_ = false;        // taking <data> text past expat
    std::size_t elements_ = 0;
    std::size_t total_ = 0;
};

XmlParser::XmlParser(const Limits& limits) : impl_(std::make_unique<Impl>(limits)) {}
XmlParser::~XmlParser() = default;
Status XmlParser::feed(std::string_view bytes, Input input, std::size_t& consumed)
{
    return impl_->feed(bytes, input, consumed);
}
Result<ValuePtr> XmlParser::finish() { return impl_->finish(); }

Result<ValuePtr> readXml(std::string_view text, const Limits& limits)
{
    if (text.size() > limits.maxFileSize) return Status::limitExceeded("property list larger than the limit");
    XmlParser parser(limits);
    std::size_t consumed = 0;
    if (Status s = parser.feed(text, XmlParser::Input::Last, consumed); !s) return s;
    return parser.finish();
}

} // namespace kavio::plist
