// SPDX-License-Identifier: MIT
// The first bytes of a PAP job as the print server reads them: the reader never fails, a
// whole job always has a header, and a header decided from the job's first part is the one
// the whole job has (more bytes never change what was read). The first input byte says
// where the first part ends.
#include "appletalk/serve/JobHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "job_header: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using appletalk::serve::JobHeader;
    if (size == 0) return 0;
    const std::string_view job(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = job.empty() ? 0 : data[0] % (job.size() + 1);
    const auto whole = JobHeader::read(job, true);
    require(whole.has_value(), "a whole job has no header");
    if (const auto early = JobHeader::read(job.substr(0, cut), false)) {
        require(early->query == whole->query, "more bytes changed whether it is a query job");
        require(early->title == whole->title, "more bytes changed the title");
        require(early->user == whole->user, "more bytes changed the user");
    }
    return 0;
}
