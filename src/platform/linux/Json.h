#pragma once
// A small JSON reader for what compositors send (sway's IPC tree). Text from other programs' window titles
// passes through it, so it takes hostile input: bounded depth, no recursion on strings, every \u escape
// (surrogate pairs included) turned into UTF-8 and broken ones into U+FFFD.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vh::platform::json {

struct Member;

class Value {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string; // UTF-8
    std::vector<Value> array;
    std::vector<Member> object; // in document order; the first of duplicates wins

    bool IsNull() const { return kind == Kind::Null; }
    // The member named key, or nullptr when this is no object or has no such member.
    const Value* Find(std::string_view key) const;
    // Conveniences that give the fallback when the member is missing or of another kind.
    std::string StringAt(std::string_view key, std::string fallback = {}) const;
    bool BoolAt(std::string_view key, bool fallback = false) const;
    std::optional<std::int64_t> IntegerAt(std::string_view key) const;
};

struct Member {
    std::string key;
    Value value;
};

// The document, or nothing when it is not valid JSON (trailing text, too deep, broken syntax).
std::optional<Value> Parse(std::string_view text);

// text as a JSON string literal with its quotes, for building commands and scripts.
std::string Quote(std::string_view text);

} // namespace vh::platform::json
