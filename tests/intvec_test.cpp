// Integer vector: growth, element and range operations, quiet refusals, failed allocations, and
// random operation sequences checked against std::vector.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "vector/intvec.h"
#include "vector/intvec_testing.h"

namespace {

struct IntvecDeleter {
    void operator()(INTVEC* v) const { INTVEC_free(&v); }
};
using VecPtr = std::unique_ptr<INTVEC, IntvecDeleter>;

VecPtr make_vec(std::initializer_list<int32_t> values) {
    VecPtr v(INTVEC_new());
    for (const int32_t x : values) INTVEC_push(v.get(), x);
    return v;
}

std::vector<int32_t> elements(const INTVEC* v) { return {v->items, v->items + v->count}; }

// Lets the next `allowed` allocations of the vector module succeed and fails the ones after,
// until it goes out of scope.
class FailAllocations {
public:
    explicit FailAllocations(int allowed) {
        allowed_ = allowed;
        calls_ = 0;
        intvec_calloc = [](std::size_t n, std::size_t size) -> void* {
            ++calls_;
            return allowed_-- > 0 ? std::calloc(n, size) : nullptr;
        };
    }
    ~FailAllocations() { intvec_calloc = std::calloc; }
    FailAllocations(const FailAllocations&) = delete;
    FailAllocations& operator=(const FailAllocations&) = delete;
    static int calls() { return calls_; }

private:
    static inline int allowed_ = 0;
    static inline int calls_ = 0;
};

}  // namespace

TEST(Intvec, NewVectorIsEmptyWithTwoSlotsAndDoublesWhenFull) {
    VecPtr v(INTVEC_new());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->count, 0);
    EXPECT_EQ(v->capacity, 2);
    const int32_t want_capacity[] = {2, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int32_t i = 0; i < 9; ++i) {
        INTVEC_push(v.get(), 10 + i);
        EXPECT_EQ(v->capacity, want_capacity[i]) << "after push " << i + 1;
    }
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{10, 11, 12, 13, 14, 15, 16, 17, 18}));
}

TEST(Intvec, FreeNullsThePointerAndASecondFreeDoesNothing) {
    INTVEC* v = INTVEC_new();
    INTVEC_free(&v);
    EXPECT_EQ(v, nullptr);
    INTVEC_free(&v);
    INTVEC_free(nullptr);
    EXPECT_EQ(v, nullptr);
}

TEST(Intvec, InsertTakesTheValueBeforeTheIndexAndRefusesPositionsOutsideZeroToCount) {
    struct Case {
        int32_t index;
        std::vector<int32_t> want;
    };
    const Case cases[] = {
        {0, {9, 5, 6, 7}}, {1, {5, 9, 6, 7}}, {3, {5, 6, 7, 9}}, {4, {5, 6, 7}}, {-1, {5, 6, 7}},
    };
    for (const Case& c : cases) {
        VecPtr v = make_vec({5, 6, 7});
        INTVEC_insert(v.get(), 9, c.index);
        EXPECT_EQ(elements(v.get()), c.want) << "index " << c.index;
    }
}

TEST(Intvec, RemoveSetGetAndPopRefuseIndicesOutsideTheElements) {
    VecPtr v = make_vec({5, 6, 7, 8});
    INTVEC_remove(v.get(), 1);
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{5, 7, 8}));
    INTVEC_remove(v.get(), 3);
    INTVEC_remove(v.get(), -1);
    INTVEC_set(v.get(), 4, 3);
    INTVEC_set(v.get(), 4, -1);
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{5, 7, 8}));
    INTVEC_set(v.get(), 4, 2);
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{5, 7, 4}));
    for (auto [index, want] : {std::pair{0, 5}, {2, 4}, {3, 0}, {-1, 0}})
        EXPECT_EQ(INTVEC_get(v.get(), index), want) << "index " << index;
    EXPECT_EQ(INTVEC_pop(v.get()), 4);
    EXPECT_EQ(INTVEC_pop(v.get()), 7);
    EXPECT_EQ(INTVEC_pop(v.get()), 5);
    EXPECT_EQ(INTVEC_pop(v.get()), 0);
    EXPECT_EQ(v->count, 0);
}

TEST(Intvec, FindGivesTheLowerIndexAndNeverFindsZero) {
    VecPtr v = make_vec({3, 0, 7, 3, -2});
    for (auto [key, want] : {std::pair{3, 0}, {7, 2}, {-2, 4}, {0, -1}, {5, -1}})
        EXPECT_EQ(INTVEC_find(v.get(), key), want) << "key " << key;
}

TEST(Intvec, EqualComparesElementsOnlyAndTreatsNullsApart) {
    VecPtr a = make_vec({1, 2});
    VecPtr b = make_vec({1, 2, 3, 4, 5});
    INTVEC_pop(b.get());
    INTVEC_pop(b.get());
    INTVEC_pop(b.get());  // capacity 8, slots 2 to 4 still hold 3, 4, 5
    VecPtr empty(INTVEC_new());
    VecPtr other = make_vec({1, 3});
    EXPECT_EQ(INTVEC_equal(a.get(), b.get()), 1);
    EXPECT_EQ(INTVEC_equal(a.get(), a.get()), 1);
    EXPECT_EQ(INTVEC_equal(nullptr, nullptr), 1);
    EXPECT_EQ(INTVEC_equal(nullptr, empty.get()), 0);
    EXPECT_EQ(INTVEC_equal(empty.get(), nullptr), 0);
    EXPECT_EQ(INTVEC_equal(a.get(), other.get()), 0);
    EXPECT_EQ(INTVEC_equal(a.get(), empty.get()), 0);
}

TEST(Intvec, SliceAndEraseRangeTakeHalfOpenRangesAndRefuseEmptyOrReversedOnes) {
    struct Case {
        int32_t first, end;
        bool valid;
        std::vector<int32_t> slice, after_erase;
    };
    const Case cases[] = {
        {1, 3, true, {6, 7}, {5, 8}},
        {0, 4, true, {5, 6, 7, 8}, {}},
        {3, 4, true, {8}, {5, 6, 7}},
        {2, 2, false, {}, {5, 6, 7, 8}},
        {3, 1, false, {}, {5, 6, 7, 8}},
        {-1, 2, false, {}, {5, 6, 7, 8}},
        {2, 5, false, {}, {5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        VecPtr v = make_vec({5, 6, 7, 8});
        VecPtr slice(INTVEC_slice(v.get(), c.first, c.end));
        ASSERT_EQ(slice != nullptr, c.valid) << c.first << ", " << c.end;
        if (slice) {
            EXPECT_EQ(elements(slice.get()), c.slice) << c.first << ", " << c.end;
        }
        INTVEC_erase_range(v.get(), c.first, c.end);
        EXPECT_EQ(elements(v.get()), c.after_erase) << c.first << ", " << c.end;
    }
}

TEST(Intvec, InsertRangeGrowsTheDestinationAndRefusesBadRanges) {
    VecPtr src = make_vec({1, 2, 3});
    struct Case {
        const char* name;
        int32_t first, end, at;
        std::vector<int32_t> want;
    };
    const Case cases[] = {
        {"into the middle", 0, 2, 1, {9, 1, 2, 9}},
        {"at the end", 1, 3, 2, {9, 9, 2, 3}},
        {"at the front", 2, 3, 0, {3, 9, 9}},
        {"empty range", 1, 1, 0, {9, 9}},
        {"reversed range", 2, 1, 0, {9, 9}},
        {"range past the source", 1, 4, 0, {9, 9}},
        {"negative first", -1, 2, 0, {9, 9}},
        {"position past the destination", 0, 2, 3, {9, 9}},
        {"negative position", 0, 2, -1, {9, 9}},
    };
    for (const Case& c : cases) {
        VecPtr dst = make_vec({9, 9});
        INTVEC_insert_range(src.get(), dst.get(), c.first, c.end, c.at);
        EXPECT_EQ(elements(dst.get()), c.want) << c.name;
    }
    VecPtr dst = make_vec({9, 9});
    INTVEC_insert_range(src.get(), dst.get(), 0, 2, 1);
    EXPECT_EQ(dst->capacity, 4);
    EXPECT_EQ(elements(src.get()), (std::vector<int32_t>{1, 2, 3}));
}

TEST(Intvec, InsertRangeOfAVectorIntoItselfCopiesTheElementsItHeldBefore) {
    struct Case {
        int32_t first, end, at;
        std::vector<int32_t> want;
    };
    const Case cases[] = {
        {2, 4, 1, {1, 3, 4, 2, 3, 4}},
        {0, 2, 0, {1, 2, 1, 2, 3, 4}},
        {1, 3, 2, {1, 2, 2, 3, 3, 4}},
        {0, 4, 4, {1, 2, 3, 4, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        VecPtr v = make_vec({1, 2, 3, 4});
        INTVEC_insert_range(v.get(), v.get(), c.first, c.end, c.at);
        EXPECT_EQ(elements(v.get()), c.want) << c.first << ", " << c.end << " at " << c.at;
    }
}

TEST(Intvec, CopyHoldsTheSameElementsInItsOwnStorage) {
    VecPtr v = make_vec({4, 0, -7});
    VecPtr copy(INTVEC_copy(v.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->items, v->items);
    EXPECT_EQ(INTVEC_equal(v.get(), copy.get()), 1);
    VecPtr empty(INTVEC_new());
    VecPtr empty_copy(INTVEC_copy(empty.get()));
    ASSERT_NE(empty_copy, nullptr);
    EXPECT_EQ(empty_copy->count, 0);
    EXPECT_EQ(INTVEC_copy(nullptr), nullptr);
}

TEST(Intvec, ANullVectorMakesEveryOperationANoOp) {
    VecPtr other = make_vec({1, 2});
    INTVEC_push(nullptr, 1);
    INTVEC_insert(nullptr, 1, 0);
    INTVEC_remove(nullptr, 0);
    INTVEC_set(nullptr, 1, 0);
    INTVEC_erase_range(nullptr, 0, 1);
    INTVEC_insert_range(nullptr, other.get(), 0, 1, 0);
    INTVEC_insert_range(other.get(), nullptr, 0, 1, 0);
    EXPECT_EQ(INTVEC_grow(nullptr), 0);
    EXPECT_EQ(INTVEC_get(nullptr, 0), 0);
    EXPECT_EQ(INTVEC_find(nullptr, 1), -1);
    EXPECT_EQ(INTVEC_pop(nullptr), 0);
    EXPECT_EQ(INTVEC_slice(nullptr, 0, 1), nullptr);
    EXPECT_EQ(elements(other.get()), (std::vector<int32_t>{1, 2}));
}

TEST(Intvec, AFailedGrowthLeavesTheVectorIntactAndStoresNothing) {
    VecPtr v = make_vec({1, 2});
    const int32_t* storage = v->items;
    VecPtr src = make_vec({7, 8});
    FailAllocations fail(0);
    EXPECT_EQ(INTVEC_grow(v.get()), 0);
    INTVEC_push(v.get(), 3);
    INTVEC_insert(v.get(), 3, 0);
    INTVEC_insert_range(src.get(), v.get(), 0, 2, 1);
    EXPECT_EQ(v->items, storage);
    EXPECT_EQ(v->capacity, 2);
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(FailAllocations::calls(), 4);
}

TEST(Intvec, InsertRangeStoresNothingWhenOnlyTheSecondOfTwoGrowthsFails) {
    VecPtr v = make_vec({1, 2});
    VecPtr src = make_vec({3, 4, 5, 6, 7});
    FailAllocations fail(1);
    INTVEC_insert_range(src.get(), v.get(), 0, 5, 2);  // needs 7 slots: 2 -> 4 -> 8
    EXPECT_EQ(elements(v.get()), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(v->capacity, 4);
}

TEST(Intvec, CopiesAndSlicesAreNullRatherThanShortWhenMemoryRunsOut) {
    VecPtr v = make_vec({1, 2, 3, 4, 5});
    for (int allowed = 0; allowed < 4; ++allowed) {
        FailAllocations fail(allowed);  // record, 2 slots, 4 slots, 8 slots
        EXPECT_EQ(INTVEC_copy(v.get()), nullptr) << allowed << " allocations";
    }
    FailAllocations fail(2);
    EXPECT_EQ(INTVEC_slice(v.get(), 1, 4), nullptr);
}

TEST(Intvec, NewIsNullWhenEitherAllocationFails) {
    for (int allowed = 0; allowed < 2; ++allowed) {
        FailAllocations fail(allowed);
        EXPECT_EQ(INTVEC_new(), nullptr) << allowed << " allocations";
    }
}

TEST(Intvec, GrowthBeyondTheLargestInt32CapacityIsRefusedWithoutAllocating) {
    // A record claiming 2^30 full slots: doubling would overflow, so nothing may be touched.
    int32_t slots[2] = {1, 2};
    INTVEC v{slots, int32_t{1} << 30, int32_t{1} << 30};
    FailAllocations count_calls(100);
    EXPECT_EQ(INTVEC_grow(&v), 0);
    INTVEC_push(&v, 3);
    EXPECT_EQ(FailAllocations::calls(), 0);
    EXPECT_EQ(v.capacity, int32_t{1} << 30);
    EXPECT_EQ(v.count, int32_t{1} << 30);
    EXPECT_EQ(v.items, slots);
}

TEST(Intvec, BehavesLikeStdVectorOverRandomOperationSequences) {
    std::mt19937 rng(5117);
    auto pick = [&](int32_t lo, int32_t hi) {
        return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1));
    };
    for (int run = 0; run < 200; ++run) {
        VecPtr v(INTVEC_new());
        std::vector<int32_t> model;
        for (int step = 0; step < 200; ++step) {
            const auto n = static_cast<int32_t>(model.size());
            const int op = pick(0, 9);
            const int32_t value = pick(-3, 3);
            const int32_t i = pick(-1, n + 1), j = pick(-1, n + 1), at = pick(-1, n + 1);
            const auto in = [&](int32_t k) { return k >= 0 && k < n; };
            switch (op) {
                case 0:
                case 1:
                    INTVEC_push(v.get(), value);
                    model.push_back(value);
                    break;
                case 2:
                    INTVEC_insert(v.get(), value, i);
                    if (i >= 0 && i <= n) model.insert(model.begin() + i, value);
                    break;
                case 3:
                    INTVEC_remove(v.get(), i);
                    if (in(i)) model.erase(model.begin() + i);
                    break;
                case 4:
                    INTVEC_set(v.get(), value, i);
                    if (in(i)) model[static_cast<size_t>(i)] = value;
                    break;
                case 5:
                    ASSERT_EQ(INTVEC_pop(v.get()), n ? model.back() : 0)
                        << "run " << run << " step " << step;
                    if (n) model.pop_back();
                    break;
                case 6:
                    INTVEC_erase_range(v.get(), i, j);
                    if (i < j && i >= 0 && j <= n)
                        model.erase(model.begin() + i, model.begin() + j);
                    break;
                case 7: {
                    // From a slice of the vector itself, or from the vector directly.
                    const bool self = pick(0, 1) == 1;
                    VecPtr slice(INTVEC_copy(v.get()));
                    INTVEC_insert_range(self ? v.get() : slice.get(), v.get(), i, j, at);
                    if (i < j && i >= 0 && j <= n && at >= 0 && at <= n) {
                        const std::vector<int32_t> part(model.begin() + i, model.begin() + j);
                        model.insert(model.begin() + at, part.begin(), part.end());
                    }
                    break;
                }
                case 8: {
                    int32_t want = -1;
                    for (int32_t k = 0; k < n && value != 0; ++k)
                        if (model[static_cast<size_t>(k)] == value) {
                            want = k;
                            break;
                        }
                    ASSERT_EQ(INTVEC_find(v.get(), value), want)
                        << "run " << run << " step " << step;
                    ASSERT_EQ(INTVEC_get(v.get(), i), in(i) ? model[static_cast<size_t>(i)] : 0);
                    break;
                }
                default: {
                    VecPtr slice(INTVEC_slice(v.get(), i, j));
                    if (i < j && i >= 0 && j <= n) {
                        ASSERT_NE(slice, nullptr);
                        ASSERT_EQ(elements(slice.get()),
                                  std::vector<int32_t>(model.begin() + i, model.begin() + j));
                    } else {
                        ASSERT_EQ(slice, nullptr);
                    }
                }
            }
            ASSERT_EQ(elements(v.get()), model)
                << "run " << run << " step " << step << " op " << op;
            // The capacity is a power of two from 2 up, and never less than the count.
            ASSERT_GE(v->capacity, std::max<int32_t>(2, v->count));
            ASSERT_EQ(v->capacity & (v->capacity - 1), 0);
        }
    }
}
