// SPDX-License-Identifier: MIT
// Choosers confirming at the same moment in several processes: every choice is kept in the
// recent list, none is listed twice, and a reader never sees a list that is half one
// version and half another.
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "PackageTestSupport.h"
#include "vidur20/packages/RecentListFormat.h"
#include "vidur20/packages/ZLaserWriterPackage.h"

namespace {

enum ChildExit { kAllKept = 0, kNotRecorded = 1, kLost = 2, kDoubled = 3, kNoStart = 4 };

std::string processPrinter(int process) { return "Process " + std::to_string(process); }

// One process: its own printer chosen again and again. With at most four processes no other
// choice can push it out of the four entries a reader takes, so each read-back must show it,
// and every printer at most once.
int chooseRepeatedly(int process, int rounds, int startFd) {
    char go = 0;
    if (::read(startFd, &go, 1) != 0) return kNoStart; // the parent closes the pipe: all start
    ZLaserWriterPackage package("LaserWriter");
    const std::string own = processPrinter(process);
    const _NBPTuple printer = makeTuple(own.c_str());
    for (int round = 0; round < rounds; ++round) {
        package.SelectDevice(&printer, nullptr);
        if (package.GetLastRecordResult() != ZDevicePackage::RecordResult::Recorded) return kNotRecorded;
        std::set<std::string> seen;
        for (const _NBPTuple& entry : recentlist::readList(CString("Printer")))
            if (!seen.insert(entry.entity.object).second) return kDoubled;
        if (seen.count(own) == 0) return kLost;
    }
    return kAllKept;
}

class ConcurrentChoice : public PackageTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

} // namespace

TEST_P(ConcurrentChoice, NoChoiceIsLostOrListedTwice) {
    const auto [processes, suiteRounds] = GetParam();
    // bench/scripts/concurrent-choices.sh runs the long version.
    const char* asked = std::getenv("VIDUR_CHOICE_ROUNDS");
    const int rounds = asked != nullptr ? std::max(1, std::atoi(asked)) : suiteRounds;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int process = 0; process < processes; ++process) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            ::_exit(chooseRepeatedly(process, rounds, start[0]));
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), kAllKept) << "1 not recorded, 2 lost, 3 listed twice";
    }
    std::set<std::string> listed;
    for (const _NBPTuple& entry : recentlist::readList(CString("Printer"))) listed.insert(entry.entity.object);
    std::set<std::string> expected;
    for (int process = 0; process < processes; ++process) expected.insert(processPrinter(process));
    EXPECT_EQ(listed, expected);
}

INSTANTIATE_TEST_SUITE_P(Processes, ConcurrentChoice, ::testing::Values(std::pair{2, 150}, std::pair{4, 100}),
                         [](const auto& row) { return std::to_string(row.param.first) + "Processes"; });
