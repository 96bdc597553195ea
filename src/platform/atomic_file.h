// Replacing a file's content so that a crash leaves either the old or the new file, never half of one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace trakor {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`.
// A symbolic link is followed (its target is replaced); an existing file keeps its permission bits.
// Fails, leaving `path` untouched, when the file is read-only, the folder cannot be written or any
// step fails; `error` then holds the reason.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The same for content made piece by piece: `produce` hands each piece to the sink it is given
// (false from the sink: the piece could not be written) and returns false to give up.
using ByteSink = std::function<bool(std::string_view)>;
bool writeFileAtomicallyFrom(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                             std::string* error = nullptr);

}  // namespace trakor
