// tests/render/failing_new.cpp: preloaded into a program under test (LD_PRELOAD), makes memory
// run out for its C++ code: the first KAPU_FAIL_NEW_AFTER calls of operator new succeed, every
// later one throws std::bad_alloc (the nothrow forms return null). Without the variable nothing
// fails. With KAPU_COUNT_NEW=FILE the number of calls is written into FILE at the program's end,
// so that a test can spread its failures over a whole run. A limit on the address space cannot
// do this: the shared libraries need far more than the program's own small allocations, which
// then never fail.
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

long long allocations_left = -2;  // -2: the variable is not read yet; -1: never fail
long long allocations = 0;

// Writes the count when the program ends, unless it ends by a signal.
struct CountAtExit {
    CountAtExit() = default;
    CountAtExit(const CountAtExit&) = delete;
    CountAtExit& operator=(const CountAtExit&) = delete;
    ~CountAtExit() {
        const char* path = std::getenv("KAPU_COUNT_NEW");
        if (!path) return;
        if (std::FILE* file = std::fopen(path, "w")) {
            std::fprintf(file, "%lld\n", allocations);
            std::fclose(file);
        }
    }
} count_at_exit;

bool may_allocate() {
    ++allocations;
    if (allocations_left == -2) {
        const char* text = std::getenv("KAPU_FAIL_NEW_AFTER");
        allocations_left = text ? std::atoll(text) : -1;
        if (allocations_left < 0) allocations_left = -1;
    }
    if (allocations_left < 0) return true;
    if (allocations_left == 0) return false;
    --allocations_left;
    return true;
}

void* allocate(std::size_t size) {
    if (!may_allocate()) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
