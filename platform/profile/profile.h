#pragma once
// Settings-file layer with the behaviour of the Windows private-profile
// functions, so a settings file stays interchangeable with one written there.
#include <cstddef>
#include <string>
#include <string_view>

namespace qv::profile {

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
