#pragma once
// Settings-file layer with the behaviour of the Windows private-profile
// functions, so a settings file stays interchangeable with one written there.
#include <cstddef>
#include <string>
#include <string_view>

namespace qv::files {
struct ReadResult;
}

namespace qv::profile {

// A settings file far beyond any real one is refused, never read.
inline constexpr std::size_t kMaxFileBytes = 1 << 20;

// The whole settings file at path, bounded as every read is (qv::files).
qv::files::ReadResult readProfile(const std::string& path);

// The value of key in section of a settings file's text, or def (see below).
std::string profileString(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize = 512);

// Returns the value of key in section of the file at path, or def when the
// file, section or key is missing. Section and key match case-insensitively.
// Like the Windows call with a buffer of bufferSize characters, the result
// holds at most bufferSize - 1 characters.
std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& path,
                                    std::size_t bufferSize = 512);

// Sets key=value in section, creating the file and the section when missing;
// every other line of an existing file is kept. Lines are written with CRLF.
// Returns true when the file was written; a section, key or value holding a
// line break is refused (false, the file untouched).
bool writePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

}  // namespace qv::profile
