// vector/intvec.cpp: a growable array of int32_t that doubles its storage when full and answers
// every misuse quietly with a neutral result.
#include <cstdint>
#include <cstdlib>

#include "vector/intvec.h"
#include "vector/intvec_testing.h"

void* (*intvec_calloc)(std::size_t count, std::size_t size) = std::calloc;

namespace {

bool valid_range(const INTVEC* v, int32_t first, int32_t end) {
    return first < end && first >= 0 && end <= v->count;
}

// Grows until the vector has room for `needed` elements; false (nothing changed beyond the
// growths that succeeded) when the storage cannot be had.
bool reserve(INTVEC* v, int64_t needed) {
    while (v->capacity < needed)
        if (!INTVEC_grow(v)) return false;
    return true;
}

// A new vector holding elements first .. end-1 of v, which the caller has checked; null when
// memory runs out part way.
INTVEC* copy_range(const INTVEC* v, int32_t first, int32_t end) {
    INTVEC* out = INTVEC_new();
    if (!out) return nullptr;
    for (int32_t i = first; i < end; ++i) INTVEC_push(out, v->items[i]);
    if (out->count != end - first) INTVEC_free(&out);
    return out;
}

}  // namespace

INTVEC* INTVEC_new() {
    auto* v = static_cast<INTVEC*>(intvec_calloc(1, sizeof(INTVEC)));
    if (!v) return nullptr;
    v->items = static_cast<int32_t*>(intvec_calloc(2, sizeof(int32_t)));
    if (!v->items) {
        std::free(v);
        return nullptr;
    }
    v->capacity = 2;
    v->count = 0;
    return v;
}

void INTVEC_free(INTVEC** v) {
    if (!v || !*v) return;
    std::free((*v)->items);
    (*v)->items = nullptr;
    (*v)->count = 0;
    (*v)->capacity = 0;
    std::free(*v);
    *v = nullptr;
}

// The new storage is allocated before the old one is released, so a failure leaves the vector
// as it was. Capacities stay within int32_t.
int32_t INTVEC_grow(INTVEC* v) {
    if (!v || v->capacity <= 0) return 0;
    const int64_t capacity = int64_t{v->capacity} * 2;
    if (capacity > INT32_MAX) return 0;
    auto* items = static_cast<int32_t*>(
        intvec_calloc(static_cast<std::size_t>(capacity), sizeof(int32_t)));
    if (!items) return 0;
    for (int32_t i = v->count - 1; i >= 0; --i) items[i] = v->items[i];
    std::free(v->items);
    v->items = items;
    v->capacity = static_cast<int32_t>(capacity);
    return 1;
}

void INTVEC_push(INTVEC* v, int32_t value) {
    if (!v) return;
    if (v->count == v->capacity && !INTVEC_grow(v)) return;
    v->items[v->count++] = value;
}

void INTVEC_insert(INTVEC* v, int32_t value, int32_t index) {
    if (!v || index < 0 || index > v->count) return;
    if (!reserve(v, int64_t{v->count} + 1)) return;
    for (int32_t i = v->count; i > index; --i) v->items[i] = v->items[i - 1];
    v->items[index] = value;
    ++v->count;
}

void INTVEC_remove(INTVEC* v, int32_t index) {
    if (!v || index < 0 || index >= v->count) return;
    for (int32_t i = index + 1; i < v->count; ++i) v->items[i - 1] = v->items[i];
    --v->count;
}

int32_t INTVEC_get(const INTVEC* v, int32_t index) {
    if (!v || index < 0 || index >= v->count) return 0;
    return v->items[index];
}

void INTVEC_set(INTVEC* v, int32_t value, int32_t index) {
    if (!v || index < 0 || index >= v->count) return;
    v->items[index] = value;
}

// 0 is never found, even when stored: it is the same answer INTVEC_get gives out of range.
int32_t INTVEC_find(const INTVEC* v, int32_t key) {
    if (!v || key == 0) return -1;
    for (int32_t i = 0; i < v->count; ++i)
        if (v->items[i] == key) return i;
    return -1;
}

int32_t INTVEC_pop(INTVEC* v) {
    if (!v || v->count == 0) return 0;
    return v->items[--v->count];
}

int32_t INTVEC_equal(const INTVEC* a, const INTVEC* b) {
    if (a == b) return 1;
    if (!a || !b) return 0;
    if (a->count != b->count) return 0;
    for (int32_t i = a->count - 1; i >= 0; --i)
        if (a->items[i] != b->items[i]) return 0;
    return 1;
}

INTVEC* INTVEC_copy(const INTVEC* v) {
    if (!v) return nullptr;
    return copy_range(v, 0, v->count);
}

INTVEC* INTVEC_slice(const INTVEC* v, int32_t first, int32_t end) {
    if (!v || !valid_range(v, first, end)) return nullptr;
    return copy_range(v, first, end);
}

void INTVEC_erase_range(INTVEC* v, int32_t first, int32_t end) {
    if (!v || !valid_range(v, first, end)) return;
    for (int32_t from = end, to = first; from < v->count; ++from, ++to)
        v->items[to] = v->items[from];
    v->count -= end - first;
}

void INTVEC_insert_range(const INTVEC* src, INTVEC* dst, int32_t first, int32_t end, int32_t at) {
    if (!src || !dst || !valid_range(src, first, end) || at < 0 || at > dst->count) return;
    const int32_t k = end - first;
    if (!reserve(dst, int64_t{dst->count} + k)) return;
    for (int32_t i = dst->count - 1; i >= at; --i) dst->items[i + k] = dst->items[i];
    // A vector inserted into itself: the source elements at or after `at` have just moved up by
    // k, so they are read from where they are now rather than from slots being overwritten.
    const bool same = src == dst;
    for (int32_t i = k - 1; i >= 0; --i) {
        const int32_t from = first + i;
        dst->items[at + i] = src->items[same && from >= at ? from + k : from];
    }
    dst->count += k;
}
