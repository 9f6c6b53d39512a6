// util/data_folder.h: where a program finds the demo's pictures and tune. The working directory
// comes first, as the demo has always read them from there; when it does not hold them, the data
// folder of the installation the program belongs to; then the program's own folder (data kept
// beside the program). Plain C++ over std::filesystem: only program_folder asks the system.
#pragma once
#include <filesystem>
#include <functional>
#include <string>

struct DataFolder {
    std::string folder;  // where the files are read from; empty: the working directory
    std::string hint;    // one line for the user when a file is missing there
};

// The folder the program at `program` (its folder; empty when unknown) reads from. `installed`
// is the installation's data folder relative to the program's folder; `holds` tells whether a
// folder holds the files the program needs. When none does: an installation's data folder with a
// hint to repair it, or else the working directory with a hint on where to start the program.
[[nodiscard]] DataFolder data_folder_find(
    const std::filesystem::path& program, const std::filesystem::path& installed,
    const std::function<bool(const std::filesystem::path&)>& holds);

// The same for this process: its program's folder, and the data folder this build installs
// (KAPU_DATA_FROM_PROGRAMS, set by packaging/layout.cmake).
[[nodiscard]] DataFolder data_folder_for_this_program(
    const std::function<bool(const std::filesystem::path&)>& holds);

// The folder of the running program, without links; empty when the system does not tell.
[[nodiscard]] std::filesystem::path program_folder();
