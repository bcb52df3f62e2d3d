// Memory-manager operations against a model: every live block keeps its contents, growth reads as
// zero, and the chain stays consistent after every step.
#include <cstring>
#include <map>
#include <string>

#include "fuzz/fuzz_input.h"
#include "memory/memory.h"

namespace {

struct Block {
    std::string contents;  // what the block must hold
    bool clump;
};

void fill(FuzzInput& in, void* area, Block& block) {
    unsigned char pattern = in.byte();
    for (size_t i = 0; i < block.contents.size(); ++i) block.contents[i] = static_cast<char>(pattern + i);
    if (!block.contents.empty()) std::memcpy(area, block.contents.data(), block.contents.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int clump = -1;
    if (clump < 0) clump = register_clump("fuzz", 312);
    FuzzInput in(data, size);
    std::map<void*, Block> live;
    int blocks_before = memory_chain_check();
    while (!in.empty() && live.size() < 200) {
        uint8_t op = in.byte() % 5;
        if (op == 0) {  // new chain block
            int n = in.u16() % 5000 + 1;
            void* p = getmem(n, 0);
            if (std::memcmp(p, std::string(n, '\0').data(), n) != 0) __builtin_trap();
            Block b{std::string(n, '\0'), false};
            fill(in, p, b);
            live[p] = b;
        } else if (op == 1) {  // new clump object
            void* p = getmem_clump(clump);
            Block b{std::string(312, '\0'), true};
            if (std::memcmp(p, b.contents.data(), 312) != 0) __builtin_trap();
            fill(in, p, b);
            live[p] = b;
        } else if (live.empty()) {
            continue;
        } else {
            auto it = live.begin();
            std::advance(it, in.byte() % live.size());
            if (op == 2) {  // release
                rlsmem(it->first);
                live.erase(it);
            } else {  // resize: kept up to the smaller size, growth zeroed
                int n = in.u16() % 5000;
                Block b = it->second;
                void* old = it->first;
                live.erase(it);
                void* p = relocmem(old, n, 0);
                size_t kept = std::min(b.contents.size(), static_cast<size_t>(n));
                if (std::memcmp(p, b.contents.data(), kept) != 0) __builtin_trap();
                for (size_t i = kept; i < static_cast<size_t>(n); ++i)
                    if (static_cast<char*>(p)[i] != 0) __builtin_trap();
                b.contents.resize(static_cast<size_t>(n));
                b.clump = false;
                live[p] = b;
            }
        }
        if (memory_chain_check() < 0) __builtin_trap();
        for (auto& [p, b] : live)
            if (!b.contents.empty() && std::memcmp(p, b.contents.data(), b.contents.size()) != 0) __builtin_trap();
    }
    for (auto& [p, b] : live) rlsmem(p);
    if (memory_chain_check() != blocks_before) __builtin_trap();
    return 0;
}
