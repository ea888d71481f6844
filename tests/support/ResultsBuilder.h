#pragma once

// Builds results by hand, for tests of what reads them.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/ResultModel.h"

namespace mollwick::test {

// The key whose text is forty times this hex digit ('0' to '9', 'A' to 'F').
inline CDigestKey Key(char digit) {
    const int value = digit <= '9' ? digit - '0' : digit - 'A' + 10;
    CDigestKey key;
    key.bytes.fill(static_cast<std::uint8_t>(value * 17));
    return key;
}

// Files the records as one group under key: the first is pFirst, the others
// follow in order.
inline void AddRecords(CResultMap& results, const CDigestKey& key,
                       std::vector<std::unique_ptr<CFileRecord>> records) {
    auto group = std::make_unique<CDuplicateGroup>();
    for (auto& record : records) {
        if (!group->pFirst) {
            group->pFirst = std::move(record);
        } else {
            group->others.push_back(std::move(record));
        }
    }
    results[key] = std::move(group);
}

}  // namespace mollwick::test
