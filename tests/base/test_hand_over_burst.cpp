#include "base/HandOverBurst.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using Strings = std::vector<std::string>;

// The lists that came in one burst, and the paths listed.
TEST(HandOverBurst, ABurstIsListedAsAFolderScanListsItsNames) {
    const std::pair<std::vector<Strings>, Strings> rows[] = {
        // One start's %F, or a drop: its own order, a repeated name once.
        {{{"/v/c.wmv", "/v/A.wmv", "/v/c.wmv"}}, {"/v/c.wmv", "/v/A.wmv"}},
        {{{"/v/c.wmv"}, {}, {"/v/b.wmv", "/v/_.wmv"}, {"/v/A.wmv", "/v/c.wmv"}},
         {"/v/A.wmv", "/v/b.wmv", "/v/c.wmv", "/v/_.wmv"}},
    };
    for (const auto& [lists, listed] : rows) {
        quillaro::HandOverBurst burst;
        for (const Strings& list : lists)
            burst.add(list);
        // Then nothing: a braced list takes them in order.
        EXPECT_EQ((std::pair{burst.take(), burst.take()}), std::pair(listed, Strings()));
    }
}
