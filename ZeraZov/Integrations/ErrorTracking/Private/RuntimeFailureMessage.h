#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// The failure kind ("Fatal error", "Assertion failed" or "Precondition failed",
// in the message's own letter case) of a crash message in one of the two forms a
// runtime writes, each on one line:
//   <kind>: [<message>: ]file <file>, line <number>
//   <file>.swift:<number>: <kind>: <message>
// Nothing for any other message. The message comes from a file on disk, so it is
// read in one pass at most per ".swift:" in it: a backtracking regular expression
// ran out of stack on a long one.
std::optional<std::string> runtimeFailureKind(std::string_view message);

}  // namespace zerazov
