// fuzz/intvec_fuzz.cpp: random sequences of INTVEC operations on two vectors, each checked
// against a model built on std::vector after every operation: the elements, the count, the
// capacity, and every result. The input also chooses allocations that fail, so growth that
// cannot get memory, and copies or new vectors that cannot, are exercised as well.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz.h"
#include "vector/intvec.h"
#include "vector/intvec_testing.h"

namespace {

// One failing allocation at a time: the counter says how many allocations still succeed before
// the one that fails; -1 when none is to fail. The module's allocator and the model each count
// down their own copy the same way, so after an operation the two must agree.
struct FailureCounter {
    int64_t before_failure = -1;
    // Whether this allocation succeeds; a failure disarms the counter.
    bool allocate() {
        if (before_failure == 0) {
            before_failure = -1;
            return false;
        }
        if (before_failure > 0) --before_failure;
        return true;
    }
};

FailureCounter module_allocations;
FailureCounter model_allocations;  // the model's, counted down the same way

void* failing_calloc(size_t count, size_t size) {
    return module_allocations.allocate() ? std::calloc(count, size) : nullptr;
}

// Installs the failing allocator for one input and restores the ordinary one however it ends.
struct HookGuard {
    HookGuard() {
        module_allocations = FailureCounter{};
        model_allocations = FailureCounter{};
        intvec_calloc = failing_calloc;
    }
    ~HookGuard() { intvec_calloc = std::calloc; }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;
};

// Reads the input from the front; past its end every read gives 0.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = w << 8 | byte();
        return static_cast<int32_t>(w);
    }
    // Mostly small values, so that finds hit and zeros occur; sometimes any 32-bit value.
    int32_t value() {
        const uint8_t b = byte();
        return b < 0xF0 ? static_cast<int32_t>(b % 8) - 2 : word();
    }
    // Mostly -128..127, around the vectors' sizes; 0x80 announces any 32-bit index.
    int32_t index() {
        const uint8_t b = byte();
        return b == 0x80 ? word() : static_cast<int32_t>(static_cast<int8_t>(b));
    }
    size_t which() { return byte() & 1u; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// What a vector must hold: its elements and its capacity, or nothing for a null vector.
struct Model {
    bool present = false;
    std::vector<int32_t> items;
    int64_t capacity = 0;
    int64_t count() const { return static_cast<int64_t>(items.size()); }
};

// Vectors are kept below this many elements, so that inserting a vector into itself again and
// again cannot exhaust memory.
constexpr int64_t kMaxCount = int64_t{1} << 16;

bool valid_range(const Model& m, int32_t first, int32_t end) {
    return first < end && first >= 0 && end <= m.count();
}

// Doubling until `needed` fits, one allocation each; false when one fails (the doublings before
// it stay, as in the module).
bool model_reserve(Model& m, int64_t needed) {
    while (m.capacity < needed) {
        if (!model_allocations.allocate()) return false;
        m.capacity *= 2;
    }
    return true;
}

// INTVEC_new: the record, then two slots; null when either allocation fails.
Model model_new() {
    Model m;
    if (!model_allocations.allocate() || !model_allocations.allocate()) return m;
    m.present = true;
    m.capacity = 2;
    return m;
}

// A new vector to which the elements are pushed one by one; null if an allocation fails.
Model model_copy_of(std::vector<int32_t> elements) {
    Model m = model_new();
    if (!m.present) return m;
    for (int32_t e : elements) {
        if (m.count() == m.capacity && !model_reserve(m, m.capacity + 1)) return Model{};
        m.items.push_back(e);
    }
    return m;
}

void check_same(const INTVEC* v, const Model& m) {
    if (!m.present) {
        FUZZ_CHECK(v == nullptr);
        return;
    }
    FUZZ_CHECK(v != nullptr);
    FUZZ_CHECK(v->items != nullptr);
    FUZZ_CHECK(v->count == m.count());
    FUZZ_CHECK(v->capacity == m.capacity);
    FUZZ_CHECK(std::equal(m.items.begin(), m.items.end(), v->items));
}

class Session {
public:
    explicit Session(Reader& in) : in_(in) {
        for (size_t i = 0; i < 2; ++i) {
            models_[i] = model_new();
            vecs_[i] = INTVEC_new();
        }
        check_all();
    }
    ~Session() {
        for (INTVEC*& v : vecs_) INTVEC_free(&v);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void run() {
        while (!in_.done()) {
            model_allocations = module_allocations;
            step(in_.byte() % 17);
            check_all();
        }
    }

private:
    void check_all() const {
        FUZZ_CHECK(model_allocations.before_failure == module_allocations.before_failure);
        for (size_t i = 0; i < 2; ++i) check_same(vecs_[i], models_[i]);
    }

    // Replaces vector i (and its model) by a vector the caller made.
    void replace(size_t i, INTVEC* v, Model m) {
        INTVEC_free(&vecs_[i]);
        FUZZ_CHECK(vecs_[i] == nullptr);
        vecs_[i] = v;
        models_[i] = std::move(m);
    }

    void step(unsigned op);

    Reader& in_;
    std::array<INTVEC*, 2> vecs_{};
    std::array<Model, 2> models_{};
};

void Session::step(unsigned op) {
    const size_t i = in_.which();
    INTVEC* v = vecs_[i];
    Model& m = models_[i];
    switch (op) {
    case 0: {  // push
        const int32_t value = in_.value();
        if (m.present && m.count() >= kMaxCount) break;
        if (m.present && (m.count() < m.capacity || model_reserve(m, m.capacity + 1)))
            m.items.push_back(value);
        INTVEC_push(v, value);
        break;
    }
    case 1: {  // insert
        const int32_t value = in_.value();
        const int32_t index = in_.index();
        if (m.present && m.count() >= kMaxCount) break;
        if (m.present && index >= 0 && index <= m.count() && model_reserve(m, m.count() + 1))
            m.items.insert(m.items.begin() + index, value);
        INTVEC_insert(v, value, index);
        break;
    }
    case 2: {  // remove
        const int32_t index = in_.index();
        if (m.present && index >= 0 && index < m.count()) m.items.erase(m.items.begin() + index);
        INTVEC_remove(v, index);
        break;
    }
    case 3: {  // get
        const int32_t index = in_.index();
        const int32_t expected = m.present && index >= 0 && index < m.count()
                                     ? m.items[static_cast<size_t>(index)] : 0;
        FUZZ_CHECK(INTVEC_get(v, index) == expected);
        break;
    }
    case 4: {  // set
        const int32_t value = in_.value();
        const int32_t index = in_.index();
        if (m.present && index >= 0 && index < m.count()) m.items[static_cast<size_t>(index)] = value;
        INTVEC_set(v, value, index);
        break;
    }
    case 5: {  // find: 0 is never found
        const int32_t key = in_.value();
        int32_t expected = -1;
        if (m.present && key != 0) {
            const auto at = std::find(m.items.begin(), m.items.end(), key);
            if (at != m.items.end()) expected = static_cast<int32_t>(at - m.items.begin());
        }
        FUZZ_CHECK(INTVEC_find(v, key) == expected);
        break;
    }
    case 6: {  // pop
        int32_t expected = 0;
        if (m.present && !m.items.empty()) {
            expected = m.items.back();
            m.items.pop_back();
        }
        FUZZ_CHECK(INTVEC_pop(v) == expected);
        break;
    }
    case 7: {  // equal, in both orders and with itself
        const Model& a = models_[0];
        const Model& b = models_[1];
        const int32_t expected = a.present == b.present && a.items == b.items ? 1 : 0;
        FUZZ_CHECK(INTVEC_equal(vecs_[0], vecs_[1]) == expected);
        FUZZ_CHECK(INTVEC_equal(vecs_[1], vecs_[0]) == expected);
        FUZZ_CHECK(INTVEC_equal(v, v) == 1);
        FUZZ_CHECK(INTVEC_equal(v, nullptr) == (m.present ? 0 : 1));
        break;
    }
    case 8: {  // copy into the other vector's place
        Model copy = m.present ? model_copy_of(m.items) : Model{};
        replace(1 - i, INTVEC_copy(v), std::move(copy));
        break;
    }
    case 9: {  // slice into the other vector's place
        const int32_t first = in_.index();
        const int32_t end = in_.index();
        Model slice;
        if (m.present && valid_range(m, first, end))
            slice = model_copy_of({m.items.begin() + first, m.items.begin() + end});
        replace(1 - i, INTVEC_slice(v, first, end), std::move(slice));
        break;
    }
    case 10: {  // erase_range
        const int32_t first = in_.index();
        const int32_t end = in_.index();
        if (m.present && valid_range(m, first, end))
            m.items.erase(m.items.begin() + first, m.items.begin() + end);
        INTVEC_erase_range(v, first, end);
        break;
    }
    case 11: {  // insert_range from either vector into either, itself included
        const size_t j = in_.which();
        INTVEC* dst = vecs_[j];
        Model& d = models_[j];
        const int32_t first = in_.index();
        const int32_t end = in_.index();
        const int32_t at = in_.index();
        const bool valid = m.present && d.present && valid_range(m, first, end) && at >= 0 &&
                           at <= d.count();
        if (valid && d.count() + (end - first) > kMaxCount) break;
        if (valid && model_reserve(d, d.count() + (end - first))) {
            const std::vector<int32_t> part(m.items.begin() + first, m.items.begin() + end);
            d.items.insert(d.items.begin() + at, part.begin(), part.end());
        }
        INTVEC_insert_range(v, dst, first, end, at);
        break;
    }
    case 12: {  // grow
        if (m.present && m.capacity >= kMaxCount) break;  // keep memory bounded
        int32_t expected = 0;
        if (m.present && model_allocations.allocate()) {
            m.capacity *= 2;
            expected = 1;
        }
        FUZZ_CHECK(INTVEC_grow(v) == expected);
        break;
    }
    case 13:  // the allocation after the next few fails
        module_allocations.before_failure = in_.byte() % 6;
        model_allocations = module_allocations;
        break;
    case 14: {  // a new vector in place of this one
        Model fresh = model_new();
        replace(i, INTVEC_new(), std::move(fresh));
        break;
    }
    case 15: {  // free; a second free through the same pointer does nothing
        replace(i, nullptr, Model{});
        INTVEC_free(&vecs_[i]);
        INTVEC* none = nullptr;
        INTVEC_free(&none);
        INTVEC_free(nullptr);
        break;
    }
    default: {  // the null vector answers everything neutrally
        INTVEC* none = nullptr;
        INTVEC_push(none, 1);
        INTVEC_insert(none, 1, 0);
        INTVEC_remove(none, 0);
        INTVEC_set(none, 1, 0);
        INTVEC_erase_range(none, 0, 1);
        INTVEC_insert_range(none, v, 0, 1, 0);
        INTVEC_insert_range(v, none, 0, 1, 0);
        FUZZ_CHECK(INTVEC_get(none, 0) == 0);
        FUZZ_CHECK(INTVEC_find(none, 1) == -1);
        FUZZ_CHECK(INTVEC_pop(none) == 0);
        FUZZ_CHECK(INTVEC_copy(none) == nullptr);
        FUZZ_CHECK(INTVEC_slice(none, 0, 1) == nullptr);
        FUZZ_CHECK(INTVEC_grow(none) == 0);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const HookGuard hook;
    Reader in(data, size);
    Session session(in);
    session.run();
    return 0;
}
