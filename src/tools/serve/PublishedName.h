// SPDX-License-Identifier: MIT
// The AppleTalk name a queue is published under: the name asked for, else the queue's
// description, else its name, in Mac OS Roman and cut to NBP's 32 characters. Characters
// that would make it a look-up pattern or hard to name again ("=", "≈", ":", "@") and
// control characters become something harmless.
#pragma once

#include <string>

namespace vidur::serve {

// UTF-8 in, Mac OS Roman out; never empty while `queue` is not.
std::string publishedName(const std::string& asked, const std::string& description, const std::string& queue);

} // namespace vidur::serve
