#include "engine/GroupStage.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

constexpr std::size_t kFirstSlots = 1024;  // a power of two

std::uint64_t Fingerprint(const CDigestKey& key) {
    std::uint32_t word = 0;
    std::memcpy(&word, key.bytes.data() + 12, sizeof word);
    return std::uint64_t{word} << 32;
}

}  // namespace

CGroupStage::CGroupStage() : m_seed((std::uint64_t{std::random_device{}()} << 32) | 1) {}

void CGroupStage::Begin() {
    m_entries.clear();
    m_slots.assign(kFirstSlots, 0);
    m_active = true;
}

std::size_t CGroupStage::SlotOf(const CDigestKey& key) const {
    std::uint64_t word = 0;
    std::memcpy(&word, key.bytes.data(), sizeof word);
    return static_cast<std::size_t>(((word ^ m_seed) * 0x9E3779B97F4A7C15ull) >> 20) &
           (m_slots.size() - 1);
}

CDuplicateGroup& CGroupStage::Find(const CDigestKey& key) {
    const std::uint64_t fingerprint = Fingerprint(key);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = SlotOf(key);
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if ((m_slots[slot] & 0xFFFFFFFF00000000ull) == fingerprint) {
            Entry& entry = m_entries[(m_slots[slot] & 0xFFFFFFFFull) - 1];
            if (entry.key == key) {
                return *entry.group;
            }
        }
    }
    m_entries.push_back(Entry{key, std::make_unique<CDuplicateGroup>()});
    m_slots[slot] = fingerprint | m_entries.size();
    if (m_entries.size() * 10 > m_slots.size() * 7) {
        Grow();
    }
    return *m_entries.back().group;
}

void CGroupStage::Grow() {
    std::vector<std::uint64_t> old(m_slots.size() * 2, 0);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const std::uint64_t value : old) {
        if (value == 0) {
            continue;
        }
        std::size_t slot = SlotOf(m_entries[(value & 0xFFFFFFFFull) - 1].key);
        while (m_slots[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = value;
    }
}

void CGroupStage::Publish(CResultMap& results) {
    if (!m_active) {
        return;
    }
    m_active = false;
    std::vector<std::uint64_t>().swap(m_slots);
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    // In key order, each entry goes in at the end: no search, and the staged
    // entries are freed as the map grows.
    while (!m_entries.empty()) {
        results.emplace_hint(results.end(), m_entries.front().key,
                             std::move(m_entries.front().group));
        m_entries.pop_front();
    }
    m_entries.shrink_to_fit();
}
