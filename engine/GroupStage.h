#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "engine/ResultModel.h"

// The groups of a search that fills an empty results map. Each file needs the
// group of its key, found or made; an ordered map finds it through some twenty
// nodes scattered in memory, where a hash index needs one slot. The ordered
// map is then built once, in key order, when the search ends.
class CGroupStage {
public:
    CGroupStage();

    bool Active() const { return m_active; }
    void Begin();
    // The group of key; a new one (no first record yet) when the key is new.
    CDuplicateGroup& Find(const CDigestKey& key);
    // Moves every group into results, which must be empty, and ends staging.
    void Publish(CResultMap& results);

private:
    struct Entry {
        CDigestKey key;
        std::unique_ptr<CDuplicateGroup> group;
    };

    std::size_t SlotOf(const CDigestKey& key) const;
    void Grow();

    // Groups in the order their keys were met; a deque, so growing never moves
    // them and costs no spare half.
    std::deque<Entry> m_entries;
    // Open addressing: 0 is empty, else a fingerprint of the key in the high
    // half and the entry's position plus one in the low half.
    std::vector<std::uint64_t> m_slots;
    std::uint64_t m_seed;  // differs per run, so no set of names can be made to collide
    bool m_active = false;
};
