#pragma once
// isql-fb scripts run statement by statement: the splitting rules of the tool that builds our databases.
#include <string>
#include <string_view>
#include <vector>

namespace vh::storage {

// The statements of a script, without their terminators and comments: ";" ends a statement until a
// "SET TERM x ;" makes x the terminator (and "SET TERM ; x" changes it back); text in quotes is kept
// whole. A "COMMIT" is a statement like any other, for the caller to carry out.
std::vector<std::string> SplitScript(std::string_view script);

} // namespace vh::storage
