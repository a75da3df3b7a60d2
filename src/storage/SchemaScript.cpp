#include "storage/SchemaScript.h"

#include <cctype>

#include "platform/Text.h"

namespace vh::storage {

namespace {

// "SET TERM x" (the statement without its terminator): the new terminator, or empty.
std::string NewTerminator(const std::string& statement) {
    std::size_t i = 0;
    auto word = [&](std::string_view w) {
        while (i < statement.size() && std::isspace(static_cast<unsigned char>(statement[i])))
            ++i;
        for (char c : w) {
            if (i >= statement.size() || std::toupper(static_cast<unsigned char>(statement[i])) != c)
                return false;
            ++i;
        }
        return i < statement.size() && std::isspace(static_cast<unsigned char>(statement[i]));
    };
    if (!word("SET") || !word("TERM"))
        return {};
    return vh::text::Trim(std::string_view(statement).substr(i));
}

} // namespace

std::vector<std::string> SplitScript(std::string_view script) {
    std::vector<std::string> statements;
    std::string terminator = ";";
    std::string current;
    auto finish = [&] {
        std::string s = vh::text::Trim(current);
        current.clear();
        if (s.empty())
            return;
        const std::string next = NewTerminator(s);
        if (next.empty())
            statements.push_back(std::move(s));
        else
            terminator = next;
    };
    for (std::size_t i = 0; i < script.size();) {
        const char c = script[i];
        if (c == '\'' || c == '"') {
            // A quote is doubled inside its own kind of quotes.
            const std::size_t end = script.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? script.size() : end + 1;
            current.append(script.substr(i, stop - i));
            i = stop;
        } else if (script.substr(i, 2) == "/*") {
            const std::size_t end = script.find("*/", i + 2);
            i = end == std::string_view::npos ? script.size() : end + 2;
            current += ' ';
        } else if (script.substr(i, 2) == "--") {
            const std::size_t end = script.find('\n', i);
            i = end == std::string_view::npos ? script.size() : end;
        } else if (script.substr(i, terminator.size()) == terminator) {
            i += terminator.size();
            finish();
        } else {
            current += c;
            ++i;
        }
    }
    finish();
    return statements;
}

} // namespace vh::storage
