// The JSON reader that other programs' window titles pass through (sway's tree), on arbitrary bytes: never
// a crash, and every string it reads quotes back to itself.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/linux/Json.h"

namespace json = vh::platform::json;

namespace {
void Strings(const json::Value& v) {
    if (v.kind == json::Value::Kind::String) {
        const auto back = json::Parse(json::Quote(v.string));
        if (!back || back->kind != json::Value::Kind::String || back->string != v.string)
            __builtin_trap();
    }
    for (const auto& item : v.array)
        Strings(item);
    for (const auto& [key, member] : v.object) {
        Strings(member);
        const auto k = json::Parse(json::Quote(key));
        if (!k || k->string != key)
            __builtin_trap();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto v = json::Parse(text))
        Strings(*v);
    // Any bytes as a string value: quoted and read back unchanged.
    const auto quoted = json::Parse(json::Quote(text));
    if (!quoted || quoted->string != text)
        __builtin_trap();
    return 0;
}
