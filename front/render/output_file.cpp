// front/render/output_file.cpp: temporary files beside the outputs, renamed into place when whole.
#include "front/render/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What open(O_CREAT, 0666) would give: mkstemp makes its files 0600.
mode_t new_file_mode() {
    static const mode_t mode = [] {
        const mode_t mask = static_cast<mode_t>(umask(0));
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

// Long names are cut so that the temporary's name stays within the 255 bytes a name may have.
constexpr size_t name_kept = 160;

}  // namespace

bool OutputFile::begin(const std::string& path, std::string* error) {
    discard();
    path_ = path;
    writing_.clear();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return make_temporary(path, "", fs::path(path).extension().string(), error);
    if (!S_ISCHR(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file or a device";
        return false;
    }
    // Opened without waiting and looked at once more: a FIFO put there meanwhile would block an
    // ordinary open until a reader came.
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int open_error = errno;
    struct stat opened {};
    const bool device = fd >= 0 && fstat(fd, &opened) == 0 && S_ISCHR(opened.st_mode);
    if (fd >= 0) close(fd);
    if (!device) {
        *error = fd < 0 ? std::strerror(open_error) : "not a regular file or a device";
        return false;
    }
    writing_ = path;
    return true;
}

bool OutputFile::begin_scratch(const std::string& beside, const std::string& tag,
                               const std::string& extension, std::string* error) {
    discard();
    path_.clear();
    writing_.clear();
    return make_temporary(beside, tag, extension, error);
}

bool OutputFile::make_temporary(const std::string& beside, const std::string& tag,
                                const std::string& extension, std::string* error) {
    std::error_code ec;
    fs::path target = fs::absolute(beside, ec);
    if (ec) target = beside;
    const std::string name = target.filename().string();
    const std::string pattern = (target.parent_path() / ("." + name.substr(0, name_kept) + "." +
                                                         tag + "XXXXXX" + extension)).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkostemps(buffer.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    fchmod(fd, new_file_mode());
    close(fd);
    writing_ = buffer.data();
    temporary_ = true;
    return true;
}

bool OutputFile::commit(std::string* error) {
    if (!temporary_ || path_.empty()) return true;
    // Replaces what stands at the name, on Windows too, where the C library's rename will not.
    std::error_code ec;
    fs::rename(writing_, path_, ec);
    if (ec) {
        *error = ec.message();
        discard();
        return false;
    }
    temporary_ = false;
    return true;
}

void OutputFile::discard() noexcept {
    if (temporary_) unlink(writing_.c_str());
    temporary_ = false;
}
