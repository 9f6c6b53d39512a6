// util/win32/stdio.h: getc_unlocked() for the Windows build, where the C library has no such
// name: the locking getc() does the same.
#pragma once
#include_next <stdio.h>

#ifndef getc_unlocked
inline int getc_unlocked(FILE* file) { return getc(file); }
#endif
