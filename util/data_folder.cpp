// util/data_folder.cpp: the search for the data folder, and the running program's own folder.
#include "util/data_folder.h"

#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fs = std::filesystem;

DataFolder data_folder_find(const fs::path& program, const fs::path& installed,
                            const std::function<bool(const fs::path&)>& holds) {
    if (holds(".")) return {};
    std::error_code ec;
    const fs::path data = program.empty() ? fs::path() : (program / installed).lexically_normal();
    if (!data.empty() && holds(data)) return {data.string(), ""};
    if (!program.empty() && holds(program)) return {program.string(), ""};

    // An installation whose data folder lost a file: that folder is the one to name.
    if (!data.empty() && fs::is_directory(data, ec))
        return {data.string(), "the installed data is incomplete; reinstalling restores it"};
    std::string hint = "start it in the data folder, where the demo's pictures and tune are "
                       "(in the source tree data/, where ./scripts/run.sh starts the demo)";
    if (!program.empty()) hint += ", or put them beside the program in " + program.string();
    return {"", hint};
}

fs::path program_folder() {
    std::error_code ec;
#if defined(_WIN32)
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const fs::path program(std::wstring(name, length));
#else
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
#endif
    const fs::path canonical = fs::weakly_canonical(program, ec);
    return ec ? program.parent_path() : canonical.parent_path();
}

DataFolder data_folder_for_this_program(const std::function<bool(const fs::path&)>& holds) {
    return data_folder_find(program_folder(), KAPU_DATA_FROM_PROGRAMS, holds);
}
