#pragma once

namespace zerazov::testing {

// A project token of the shape the application uses ("zzk_" and 44 more characters).
inline constexpr const char* testProjectToken = "zzk_Qw7TmR2vKx9bLp4NzHs6DfYc3JgUe8WaMk5VtXr1BnEk";

}  // namespace zerazov::testing
