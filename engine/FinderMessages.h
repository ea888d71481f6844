#pragma once

#include <cstdint>
#include <string>

// The messages between the window and the worker. Requests carry no payload:
// the window writes the worker's request fields first, then posts.
inline constexpr std::uint32_t WM_FINDER_PROGRESS =
    0x0401;  // worker -> window, wParam: CProgressInfo*
inline constexpr std::uint32_t WM_FINDER_SEARCH = 0x0402;  // window -> worker
inline constexpr std::uint32_t WM_FINDER_DONE =
    0x0404;  // worker -> window, wParam: operation, lParam: count
inline constexpr std::uint32_t WM_FINDER_ACTION = 0x0405;  // window -> worker, wParam: operation

inline constexpr std::uintptr_t FINDER_OP_SEARCH = 0;
inline constexpr std::uintptr_t FINDER_OP_MOVE = 1;
inline constexpr std::uintptr_t FINDER_OP_DELETE = 2;

inline constexpr std::int32_t COMPARE_BY_NAME = 4;
inline constexpr std::int32_t COMPARE_BY_CONTENT = 8;

// One progress report; the receiver of WM_FINDER_PROGRESS owns it.
struct CProgressInfo {
    std::string strCurrentFile;
    std::int32_t nTotalFiles = 0;
    std::int32_t nDuplicates = 0;
};
