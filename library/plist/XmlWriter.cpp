// XML property-list writer with Apple's exact layout: tab indents, sorted keys, <data>
// lines of 76 - 8 x depth characters (at least 16) indented like the tag, only <, > and
// & escaped, UIDs as {CF$UID: n} dictionaries as keyed archives store them.

#include "library/plist/Base64.h"
#include "library/plist/Codec.h"
#include "library/plist/Text.h"

namespace kavio::plist {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";

class XmlWriter {
public:
    std::string write(const Value& root)
    {
        out_.reserve(estimate(root));
        out_ += kHeader;
        writeTree(root);
        out_ += kFooter;
        return std::move(out_);
    }

    // Hands out what is written whenever it passes a megabyte: a buffer that stays in
    // the cache and never faults in fresh pages, whatever the document's size.
    Status write(const Value& root, const ByteSink& sink)
    {
        sink_ = &sink;
        out_.reserve(kPiece + kPiece / 4);
        out_ += kHeader;
        writeTree(root);
        out_ += kFooter;
        flush();
        return status_;
    }

private:
    // An open container: the next member to write.
    struct Frame {
        const Value* value;
        std::size_t depth;
        std::size_t index = 0;
        Dictionary::const_iterator it{};
    };

    // Rough output size, so a store of large data is not reallocated as it grows.
    static std::size_t estimate(const Value& root)
    {
        std::size_t total = 256;
        std::vector<const Value*> pending{&root};
        while (!pending.empty()) {
            const Value* v = pending.back();
            pending.pop_back();
            total += 32;
            if (const auto* d = v->data()) total += d->size() / 3 * 4 + d->size() / 16;
            else if (const auto* s = v->string()) total += s->size();
            else if (const auto* a = v->array()) for (const auto& item : *a) pending.push_back(item.get());
            else if (const auto* dict = v->dictionary()) {
                for (const auto& [key, item] : *dict) {
                    total += key.size() + 16;
                    pending.push_back(item.get());
                }
            }
        }
        return total;
    }

    void indent(std::size_t depth) { out_.append(depth, '\t'); }

    void escaped(std::string_view s)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            const char* entity = c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : nullptr;
            if (!entity) continue;
            out_.append(s, start, i - start);
            out_ += entity;
            start = i + 1;
        }
        out_.append(s, start);
    }

    void element(std::size_t depth, std::string_view tag, std::string_view body, bool escape)
    {
        indent(depth);
        out_ += '<';
        out_ += tag;
        out_ += '>';
        if (escape) escaped(body);
        else out_ += body;
        out_ += "</";
        out_ += tag;
        out_ += ">\n";
    }

    void data(std::size_t depth, std::string_view bytes)
    {
        indent(depth);
        out_ += "<data>\n";
        const std::size_t indentWidth = 8 * depth;
        const std::size_t lineLength = indentWidth + 16 > 76 ? 16 : 76 - indentWidth;
        const std::size_t bytesPerLine = lineLength / 4 * 3;
        for (std::size_t pos = 0; pos < bytes.size(); pos += bytesPerLine) {
            indent(depth);
            base64Encode(bytes.substr(pos, bytesPerLine), out_);
            out_ += '\n';
            if (sink_ && out_.size() >= kPiece)
                flush();
        }
        indent(depth);
        out_ += "</data>\n";
    }

    // Writes a scalar, or opens a container and returns its frame.
    std::optional<Frame> open(const Value& v, std::size_t depth)
    {
        std::string number;
        switch (v.type()) {
        case Value::Type::Boolean:
            indent(depth);
            out_ += *v.boolean() ? "<true/>\n" : "<false/>\n";
            break;
        case Value::Type::Integer:
            text::appendInteger(*v.integer(), number);
            element(depth, "integer", number, false);
            break;
        case Value::Type::Real:
            text::appendReal(*v.real(), number);
            element(depth, "real", number, false);
            break;
        case Value::Type::Date:
            text::appendDate(*v.date(), number);
            element(depth, "date", number, false);
            break;
        case Value::Type::String: element(depth, "string", *v.string(), true); break;
        case Value::Type::Data: data(depth, v.data()->view()); break;
        case Value::Type::Uid:
            indent(depth);
            out_ += "<dict>\n";
            element(depth + 1, "key", "CF$UID", false);
            text::appendInteger(Integer{static_cast<std::int64_t>(v.uid()->value), v.uid()->value >> 63 != 0}, number);
            element(depth + 1, "integer", number, false);
            indent(depth);
            out_ += "</dict>\n";
            break;
        case Value::Type::Array:
        case Value::Type::Dictionary: {
            const bool isArray = v.type() == Value::Type::Array;
            const bool empty = isArray ? v.array()->empty() : v.dictionary()->empty();
            indent(depth);
            out_ += isArray ? (empty ? "<array/>\n" : "<array>\n") : (empty ? "<dict/>\n" : "<dict>\n");
            if (empty) break;
            Frame f{&v, depth};
            if (!isArray) f.it = v.dictionary()->begin();
            return f;
        }
        }
        return std::nullopt;
    }

    void writeTree(const Value& root)
    {
        std::vector<Frame> stack;
        if (auto f = open(root, 0)) stack.push_back(*f);
        while (!stack.empty()) {
            Frame& top = stack.back();
            const Value* next = nullptr;
            if (const auto* a = top.value->array()) {
                if (top.index < a->size()) next = (*a)[top.index++].get();
            } else if (top.it != top.value->dictionary()->end()) {
                element(top.depth + 1, "key", top.it->first, true);
                next = top.it->second.get();
                ++top.it;
            }
            if (!next) {
                indent(top.depth);
                out_ += top.value->array() ? "</array>\n" : "</dict>\n";
                stack.pop_back();
                continue;
            }
            if (auto f = open(*next, top.depth + 1)) stack.push_back(*f);
            if (sink_ && out_.size() >= kPiece) flush();
            if (!status_) return;
        }
    }

    void flush()
    {
        if (status_ && !out_.empty()) status_ = (*sink_)(out_);
        out_.clear();
    }

    static constexpr std::size_t kPiece = 1u << 20;
    std::string out_;
    const ByteSink* sink_ = nullptr;
    Status status_;
};

// Text expat hands back unchanged: no C0 controls but tab and newline (CR is normalized
// away), and neither U+FFFE nor U+FFFF (EF BF BE / EF BF BF).
bool xmlSafe(std::string_view s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 && c != '\t' && c != '\n') return false;
        if (c == 0xEF && i + 2 < s.size() && s[i + 1] == '\xBF' && (s[i + 2] == '\xBE' || s[i + 2] == '\xBF')) {
            return false;
        }
    }
    return true;
}

} // namespace

bool hasExactXmlForm(const Value& root)
{
    std::vector<const Value*> pending{&root};
    while (!pending.empty()) {
        const Value* v = pending.back();
        pending.pop_back();
        if (const auto d = v->date(); d && !text::dateHasXmlForm(*d)) return false;
        if (const auto* s = v->string(); s && !xmlSafe(*s)) return false;
        if (const auto* a = v->array()) {
            for (const auto& item : *a) pending.push_back(item.get());
        } else if (const auto* dict = v->dictionary()) {
            if (dict->size() == 1 && dict->begin()->first == "CF$UID" && dict->begin()->second->uint64()) return false;
            for (const auto& [key, item] : *dict) {
                if (!xmlSafe(key)) return false;
                pending.push_back(item.get());
            }
        }
    }
    return true;
}

std::string writeXml(const Value& root)
{
    return XmlWriter().write(root);
}

Status writeXml(const Value& root, const ByteSink& sink)
{
    return XmlWriter().write(root, sink);
}

} // namespace kavio::plist
