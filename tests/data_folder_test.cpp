// The search for the data folder: the working directory first, then the installation's data
// folder found from the program's place, then the program's own folder; and the hints.
#include "util/data_folder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/support.h"

namespace {

namespace fs = std::filesystem;

struct Search {
    std::set<std::string> holding;  // the folders that hold the data
    DataFolder find(const fs::path& program, const fs::path& installed) const {
        return data_folder_find(program, installed, [&](const fs::path& folder) {
            return holding.count(folder.string()) != 0;
        });
    }
};

TEST(DataFolder, WorkingDirectoryFirstThenTheInstallationThenBesideTheProgram) {
    const fs::path program = "/opt/kapu/lib/games/kapu4417";
    const fs::path installed = "../../../share/games/kapu4417";
    const std::string data = "/opt/kapu/share/games/kapu4417";

    EXPECT_EQ((Search{{".", data, program.string()}}.find(program, installed).folder), "");
    EXPECT_EQ((Search{{data, program.string()}}.find(program, installed).folder), data);
    EXPECT_EQ((Search{{program.string()}}.find(program, installed).folder), program.string());
}

TEST(DataFolder, NoFolderHoldingTheDataGivesAHintThatFitsThePlace) {
    kt::TempDir tree;
    const fs::path program = tree.path() / "libexec" / "kapu4417";
    const fs::path data = tree.path() / "share" / "kapu4417";
    fs::create_directories(program);

    // Not installed (no data folder beside): the working directory, and where to start it.
    DataFolder found = Search{}.find(program, "../../share/kapu4417");
    EXPECT_EQ(found.folder, "");
    EXPECT_NE(found.hint.find("start it in the data folder"), std::string::npos) << found.hint;
    EXPECT_NE(found.hint.find("beside the program in " + program.string()), std::string::npos)
        << found.hint;
    EXPECT_EQ(Search{}.find("", "../../share/kapu4417").hint.find("beside"), std::string::npos);

    // Installed, but its data folder lost a file: that folder, and how to repair it.
    fs::create_directories(data);
    found = Search{}.find(program, "../../share/kapu4417");
    EXPECT_EQ(found.folder, data.string());
    EXPECT_NE(found.hint.find("reinstalling"), std::string::npos) << found.hint;
}

}  // namespace
