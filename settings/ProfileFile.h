#pragma once
// Profile (INI) file access with the semantics of the classic private-profile API:
//  - "[Section]" lines open a section; "key=value" lines inside it are its keys; names are matched
//    without regard to ASCII case, with blanks around names and values ignored; the first matching
//    section and the first matching key win; a value enclosed in one pair of matching quotes loses
//    them; lines starting with ';' are comments; lines before the first section belong to none.
//  - Every call opens the file afresh and releases it before returning; nothing is cached.
//  - A write keeps every other line (other sections, keys, comments, blank lines, line endings)
//    byte for byte, replaces the first matching key line, appends a missing key after the last
//    non-blank line of its section, and appends a missing section at the end of the file. It
//    creates the file when it does not exist.
//  - Writes are atomic: the new content goes to a temporary file beside the target, which is
//    flushed to disk and renamed over it (keeping the old file's permission bits). A symbolic link
//    is followed, so the file it points to is replaced, not the link. A read-only file is never
//    replaced (std::errc::permission_denied), and temporaries that an interrupted write left
//    beside the file are removed (see platform::WriteFileAtomically).
//  - The file keeps its encoding: one that starts with the UTF-16LE byte order mark is read and
//    written as UTF-16LE with that mark, as the system's profile functions do (ProfileText.h);
//    a write into one that is not whole UTF-16 (an odd byte at its end) fails with
//    std::errc::illegal_byte_sequence. Any other file is bytes (ANSI or UTF-8).
//  - Garbage never crashes a reader or a writer: binary bytes and NUL bytes are ordinary
//    characters, and at most kProfileLineHead bytes of each line are ever held in memory, however
//    long the line or the file; a longer line is never a section header or a key, and is copied
//    through unchanged.
// All functions may be called from any thread; they share no state.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quorin {

// How much of one line is looked at (and held in memory).
inline constexpr std::size_t kProfileLineHead = 4096;

// The value of `key` in `section`, trimmed and unquoted; nullopt when the file cannot be read or
// the section or the key is absent. Never raises (except std::bad_alloc).
std::optional<std::string> ReadProfileString(const std::string& path, std::string_view section,
                                             std::string_view key);

// The integer reader: ParseProfileInt of the value, or `defaultValue` when the file, the section
// or the key is absent or the value is not a number.
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue);

// Leading decimal digits with an optional '+' or '-' sign, after leading blanks; anything after the
// digits is ignored ("12abc" is 12). nullopt when there is no digit right after the sign, and also
// when the number does not fit in an int: a stored value out of range is treated as not a number,
// so the caller's default applies rather than a wrapped or clipped value.
std::optional<int> ParseProfileInt(std::string_view text);

// Sets `key` in `section` to `value` (see the write rules above). Returns an empty error code on
// success, otherwise the system's reason (std::errc::invalid_argument for a name or value that
// would break the file's syntax: a line break or NUL anywhere, '=' or ']' in a name, an empty
// name). On failure the file is left as it was and no temporary file remains.
std::error_code WriteProfileString(const std::string& path, std::string_view section,
                                   std::string_view key, std::string_view value);

// Opens the file for reading and releases it at once, reading nothing. True when it could be
// opened.
bool TouchProfileFile(const std::string& path);

}  // namespace quorin
