#pragma once
// What a bridge's description may hold: at most 63 bytes of 8-bit text (the
// listing adds the NUL), in the bridge code page.

#include <string>
#include <string_view>

namespace bridgedescription {

inline constexpr std::size_t kMaxBytes = 63;

// A USB product string as sysfs shows it (UTF-8, ending in a newline) turned
// into a description: the first line, encoded in the bridge code page (characters
// it lacks become '?'), cut to kMaxBytes.
std::string fromProductString(std::string_view sysfsText);

// Whether `name` may name a virtual bridge: 1 to kMaxBytes printable ASCII
// characters, no '/', not starting with '.' (dot names are the publisher's own).
bool isValidBridgeName(std::string_view name);

}  // namespace bridgedescription
