// util/win32/binary_mode.cpp: linked into the Windows programs: every file they open is read
// and written byte for byte, as on Linux. Windows' C library opens files in text mode unless
// told otherwise, where a carriage return is dropped before a line feed, one is added before
// each written line feed, and a byte 26 ends reading: the pictures, the tune, the checksums and
// the WAV would all change. Set before main() runs, before anything is opened.
#include <fcntl.h>
#include <stdlib.h>

namespace {

[[maybe_unused]] const bool binary_mode = [] {
    _fmode = _O_BINARY;
    return true;
}();

}  // namespace
