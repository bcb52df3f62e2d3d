// Expandable-array operations against std::vector, compared after every step.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "memory/memory.h"

namespace {

void same(void* array, const std::vector<int>& model) {
    void* a = array;
    if (XAR_COUNT(&a) != static_cast<int>(model.size())) __builtin_trap();
    if (!model.empty() && std::memcmp(array, model.data(), model.size() * sizeof(int)) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    void* array = XAR_ALLOC(in.byte() % 4, sizeof(int), in.byte() % 20 + 1);
    std::vector<int> model(XAR_COUNT(&array), 0);
    while (!in.empty()) {
        uint8_t op = in.byte() % 7;
        int n = in.byte() % 40;
        int count = static_cast<int>(model.size());
        std::vector<int> source(n);
        for (int& v : source) v = in.i32();
        if (count + n > 20000) break;
        switch (op) {
        case 0:
            XAR_APPEND(&array, n, source.data());
            model.insert(model.end(), source.begin(), source.end());
            break;
        case 1:
            XAR_EXTEND(&array, n);
            model.resize(model.size() + n, 0);
            break;
        case 2: {
            int k = count == 0 ? 0 : n % (count + 1);
            XAR_SHRINK(&array, k);
            model.resize(model.size() - k);
            break;
        }
        case 3: {
            int index = count == 0 ? 0 : in.u16() % (count + 1);
            xar_insert(&array, index, n, n % 2 ? source.data() : nullptr);
            if (n % 2) model.insert(model.begin() + index, source.begin(), source.end());
            else model.insert(model.begin() + index, n, 0);
            break;
        }
        case 4: {
            if (count == 0) break;
            int index = in.u16() % count;
            int k = n % (count - index + 1);
            xar_remove(&array, index, k);
            model.erase(model.begin() + index, model.begin() + index + k);
            break;
        }
        case 5: {
            int target = in.u16() % (count + 40);
            XAR_RESIZE(&array, target);
            model.resize(target, 0);
            break;
        }
        case 6: {
            int value = model.empty() ? in.i32() : model[in.u16() % model.size()];
            int found = xar_find_int(&array, value);
            int expected = -1;
            for (size_t i = 0; i < model.size(); ++i)
                if (model[i] == value) { expected = static_cast<int>(i); break; }
            if (found != expected) __builtin_trap();
            break;
        }
        }
        same(array, model);
    }
    XAR_FREE(&array);
    if (array != nullptr) __builtin_trap();
    return 0;
}
