// SPDX-License-Identifier: MIT
// The library's negative results, told in words for the one-line messages of the command,
// and the ones that mean "nothing there" rather than "something went wrong".
#pragma once

#include <string>

namespace vidur::cli {

class LibraryStatus {
public:
    static std::string describe(int status);
    // No router answered, or a printer did not: nothing was found, which is not an error of
    // the network itself.
    static bool meansNothingFound(int status);

    static constexpr int kBadReply = -12; // answers came that could not be read

    // Ours, beside the library's own:
    static constexpr int kTimedOut = -1000; // the library did not finish in time
    static constexpr int kLocalZonesUnknown = -1001; // the zones of an extended cable
};

} // namespace vidur::cli
