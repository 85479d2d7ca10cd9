// SPDX-License-Identifier: MIT
// The first lines of a PAP job, read before the job is handed on: whether it is a query job
// (its first line says so, as QueryJob reads it), and its title and user from the header comments
// "%%Title:" and "%%For:". The header ends at "%%EndComments" or at the first line that is no
// "%%" comment; a job that does not begin with "%!" has none. Texts in PostScript string form,
// "(Report \(draft\))", are read as such; "(atend)" (given in the trailer) counts as none.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace appletalk::serve {

struct JobHeader {
    // A header longer than this is cut here: what it said so far is all there is.
    static constexpr std::size_t kLimit = 8192;

    bool query = false;
    std::string title; // Mac OS Roman, as sent
    std::string user;

    // The header of a job that begins with `head`; nothing while it may still go on (the
    // header not ended, fewer than kLimit bytes, and `whole` false: more of the job to come).
    static std::optional<JobHeader> read(std::string_view head, bool whole);

    // A comment's text: a PostScript string's contents, or the plain text trimmed.
    static std::string commentText(std::string_view value);
};

} // namespace appletalk::serve
