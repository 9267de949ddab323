// Reading the files a DVI file names (figures, headers, images). The DVI file is not
// trusted: a file is read only when named by a relative path without "..", beside the
// DVI file or through kpsewhich, and only when it holds at most `largestDocumentFile`
// bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t largestDocumentFile = std::size_t{64} << 20;

// The bytes of the file at `path`, when it opens and holds at most
// `largestDocumentFile` of them.
std::optional<std::string> Contents(const std::string& path);

// Whether a file name is one dvips's secure mode allows: relative, without "..",
// without the backquote that would run a command, printable.
bool SafeName(std::string_view name);

// The bytes of the file `name` names, looked for in `directory` (empty, or ending in
// '/') and then through kpsewhich; none, with `failure` saying why, when it is refused
// or missing.
std::optional<std::string> ReadDocumentFile(const std::string& directory, std::string_view name,
                                            std::string& failure);
