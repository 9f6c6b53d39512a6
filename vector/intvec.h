// vector/intvec.h: growable array of int32_t. Misuse (null vector, index out of range, empty
// or reversed range) is refused quietly with 0, -1 or null; nothing is ever printed.
#pragma once
#include <cstdint>

struct INTVEC {
    int32_t* items;     // capacity slots; items[0 .. count-1] are the elements
    int32_t  capacity;  // 2 when new, doubled on each growth
    int32_t  count;
};

// Life cycle
[[nodiscard]] INTVEC* INTVEC_new();                   // empty, capacity 2; null when out of memory
void INTVEC_free(INTVEC** v);                         // releases *v and sets *v to null; null-safe
int32_t INTVEC_grow(INTVEC* v);                       // 1 doubled; 0 failed, vector left intact

// Elements (value before index, as in every operation here)
void    INTVEC_push(INTVEC* v, int32_t value);        // stores nothing when growth fails
void    INTVEC_insert(INTVEC* v, int32_t value, int32_t index);  // index == count appends
void    INTVEC_remove(INTVEC* v, int32_t index);
int32_t INTVEC_get(const INTVEC* v, int32_t index);   // 0 outside [0, count)
void    INTVEC_set(INTVEC* v, int32_t value, int32_t index);
int32_t INTVEC_find(const INTVEC* v, int32_t key);    // first index holding key; -1, also for key 0
int32_t INTVEC_pop(INTVEC* v);                        // 0 when empty

// Whole vectors and ranges (half-open: first .. end-1)
int32_t INTVEC_equal(const INTVEC* a, const INTVEC* b);
[[nodiscard]] INTVEC* INTVEC_copy(const INTVEC* v);
[[nodiscard]] INTVEC* INTVEC_slice(const INTVEC* v, int32_t first, int32_t end);
void INTVEC_erase_range(INTVEC* v, int32_t first, int32_t end);
void INTVEC_insert_range(const INTVEC* src, INTVEC* dst, int32_t first, int32_t end, int32_t at);
