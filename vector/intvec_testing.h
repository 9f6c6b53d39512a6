// vector/intvec_testing.h: for tests only. The allocator INTVEC uses for its storage, replaceable
// so a test can make a growth or a creation fail. Restore it to std::calloc when done.
#pragma once
#include <cstddef>

extern void* (*intvec_calloc)(std::size_t count, std::size_t size);
