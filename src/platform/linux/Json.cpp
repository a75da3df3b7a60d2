#include "platform/linux/Json.h"

#include <cmath>
#include <cstdlib>

namespace vh::platform::json {

namespace {

// Deeper than any window tree; keeps a nested attack from exhausting the stack.
constexpr int kMaxDepth = 256;

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    bool Document(Value& v) {
        if (!ParseValue(v, 0))
            return false;
        SkipBlanks();
        return i_ == s_.size();
    }

private:
    void SkipBlanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }

    bool Literal(std::string_view word) {
        if (s_.substr(i_, word.size()) != word)
            return false;
        i_ += word.size();
        return true;
    }

    bool ParseValue(Value& v, int depth) {
        if (depth > kMaxDepth)
            return false;
        SkipBlanks();
        if (i_ >= s_.size())
            return false;
        switch (s_[i_]) {
        case '{':
            return ParseObject(v, depth);
        case '[':
            return ParseArray(v, depth);
        case '"':
            v.kind = Value::Kind::String;
            return ParseString(v.string);
        case 't':
            v.kind = Value::Kind::Bool;
            v.boolean = true;
            return Literal("true");
        case 'f':
            v.kind = Value::Kind::Bool;
            v.boolean = false;
            return Literal("false");
        case 'n':
            v.kind = Value::Kind::Null;
            return Literal("null");
        default:
            return ParseNumber(v);
        }
    }

    bool ParseObject(Value& v, int depth) {
        v.kind = Value::Kind::Object;
        ++i_;
        SkipBlanks();
        if (i_ < s_.size() && s_[i_] == '}') {
            ++i_;
            return true;
        }
        for (;;) {
            SkipBlanks();
            std::string key;
            if (i_ >= s_.size() || s_[i_] != '"' || !ParseString(key))
                return false;
            SkipBlanks();
            if (i_ >= s_.size() || s_[i_] != ':')
                return false;
            ++i_;
            Value member;
            if (!ParseValue(member, depth + 1))
                return false;
            v.object.push_back(Member{std::move(key), std::move(member)});
            SkipBlanks();
            if (i_ < s_.size() && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < s_.size() && s_[i_] == '}') {
                ++i_;
                return true;
            }
            return false;
        }
    }

    bool ParseArray(Value& v, int depth) {
        v.kind = Value::Kind::Array;
        ++i_;
        SkipBlanks();
        if (i_ < s_.size() && s_[i_] == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            Value item;
            if (!ParseValue(item, depth + 1))
                return false;
            v.array.push_back(std::move(item));
            SkipBlanks();
            if (i_ < s_.size() && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < s_.size() && s_[i_] == ']') {
                ++i_;
                return true;
            }
            return false;
        }
    }

    bool Hex4(std::uint32_t& out) {
        if (s_.size() - i_ < 4)
            return false;
        out = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[i_ + k];
            out <<= 4;
            if (c >= '0' && c <= '9')
                out |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                out |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                out |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        i_ += 4;
        return true;
    }

    bool ParseString(std::string& out) {
        ++i_; // the opening quote
        for (;;) {
            // Copy plain runs at once: titles can be long.
            const std::size_t start = i_;
            while (i_ < s_.size() && s_[i_] != '"' && s_[i_] != '\\' && static_cast<unsigned char>(s_[i_]) >= 0x20)
                ++i_;
            out.append(s_.data() + start, i_ - start);
            if (i_ >= s_.size())
                return false;
            const char c = s_[i_++];
            if (c == '"')
                return true;
            if (c != '\\')
                return false; // a raw control character
            if (i_ >= s_.size())
                return false;
            const char e = s_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t cp = 0;
                if (!Hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    // A high surrogate counts only with the low one right after it.
                    std::uint32_t low = 0;
                    if (s_.substr(i_, 2) == "\\u") {
                        const std::size_t back = i_;
                        i_ += 2;
                        if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        } else {
                            i_ = back;
                            cp = kReplacement;
                        }
                    } else {
                        cp = kReplacement;
                    }
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    cp = kReplacement;
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                return false;
            }
        }
    }

    bool ParseNumber(Value& v) {
        const std::size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-')
            ++i_;
        const std::size_t digits = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
            ++i_;
        if (i_ == digits)
            return false;
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            const std::size_t frac = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
                ++i_;
            if (i_ == frac)
                return false;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-'))
                ++i_;
            const std::size_t exp = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
                ++i_;
            if (i_ == exp)
                return false;
        }
        v.kind = Value::Kind::Number;
        v.number = std::strtod(std::string(s_.substr(start, i_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

} // namespace

const Value* Value::Find(std::string_view key) const {
    if (kind != Kind::Object)
        return nullptr;
    for (const auto& [k, v] : object) {
        if (k == key)
            return &v;
    }
    return nullptr;
}

std::string Value::StringAt(std::string_view key, std::string fallback) const {
    const Value* v = Find(key);
    return v && v->kind == Kind::String ? v->string : fallback;
}

bool Value::BoolAt(std::string_view key, bool fallback) const {
    const Value* v = Find(key);
    return v && v->kind == Kind::Bool ? v->boolean : fallback;
}

std::optional<std::int64_t> Value::IntegerAt(std::string_view key) const {
    const Value* v = Find(key);
    // Beyond 2^53 a double no longer holds every integer; no id or pid is that large.
    if (!v || v->kind != Kind::Number || !std::isfinite(v->number) || std::fabs(v->number) > 9007199254740992.0 ||
        v->number != std::floor(v->number))
        return std::nullopt;
    return static_cast<std::int64_t>(v->number);
}

std::optional<Value> Parse(std::string_view text) {
    Value v;
    Parser p(text);
    if (!p.Document(v))
        return std::nullopt;
    return v;
}

std::string Quote(std::string_view text) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

} // namespace vh::platform::json
