#pragma once

#include <string>

namespace mollwick {

// The form of a path handed to the system for listing or moving. Linux has no
// long-path prefix, so the path goes as it is; a port to a system that needs
// one adds it here and nowhere else.
inline std::string SystemPath(const std::string& path) {
    return path;
}

}  // namespace mollwick
