// util/win32/sys/stat.h: fchmod() for the Windows build, whose files carry no POSIX mode: a
// new file is already readable and writable, so there is nothing to change.
#pragma once
#include_next <sys/stat.h>

#ifdef __cplusplus
inline int fchmod(int, unsigned) { return 0; }
#endif
