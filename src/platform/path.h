// Paths as strings: their parts, their resolved form, and whether one lies
// within another. The one home of these rules (the separator is the
// system's).
#pragma once

#include <string>
#include <string_view>

namespace zuruza {

// The folder part with its separator ("" for a bare name): "a/b/c" gives "a/b/".
std::string FolderOf(std::string_view path);
// The folder as a directory to open: "." for a bare name, "/" at the root.
std::string DirectoryToOpen(std::string_view path);
// The last name: "a/b/c" gives "c".
std::string_view FileNameOf(std::string_view path);

// The absolute path with links, "." and ".." resolved as far as the path
// exists; the missing rest is appended with "." and ".." resolved by name.
// No trailing separator (but "/" itself).
std::string ResolvePath(const std::string& path);

// True when `inner` names `outer` or something below it, once both are
// resolved.
bool LiesWithin(const std::string& inner, const std::string& outer);

}  // namespace zuruza
