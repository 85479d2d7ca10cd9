// SPDX-License-Identifier: MIT
// The order in which a sorted list or combo box keeps its strings, as Windows sorts one with
// the user's locale: without regard to case, accented letters beside their base letter
// ("Äpfel" and "École" before "Zürich"), punctuation and symbols before digits before
// letters. Names are Mac OS Roman and compared by their characters, not their bytes.
#pragma once

#include <string>
#include <string_view>

// A key whose plain byte order (std::string's compare) is the box's order; equal keys mean
// the strings sort as equal. Made once per string, so a sorted insert compares bytes only.
std::string BoxSortKey(std::string_view macRoman);
