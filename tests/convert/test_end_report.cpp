#include "convert/EndReport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using quillaro::NotConverted;

TEST(EndReport, ShowsEachNameOnItsOwnLine) {
    // Control characters, line and paragraph separators, direction overrides,
    // invisible format characters and bytes that are not UTF-8 (a Latin-1
    // letter, a cut sequence, an overlong "/", a surrogate, a point beyond
    // Unicode) are shown as escapes, the rest as it is.
    const NotConverted failure{
        "/v/a\nb\tc\rd\x1b[m\x7f\u2028\u202e\u2066\u0085\u00e9\u6f22 "
        "lat\xe9\xe6\x97/\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\u200b\u2064\ufeff.wmv",
        "why\nnot"};
    std::string lines;
    for (int k = 0; k < 10; ++k)
        lines += "\n/v/a\\nb\\tc\\rd\\x1b[m\\x7f\\u2028\\u202e\\u2066\\u0085\u00e9\u6f22 "
                 "lat\\xe9\\xe6\\x97/"
                 "\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\u200b\\u2064\\ufeff.wmv \u2014 "
                 "why\\nnot";
    // On Windows the backslash parts the names of a path, and no name holds a line end.
    const std::string backslash(std::filesystem::path::preferred_separator == '\\' ? 1 : 2, '\\');
    const std::vector<NotConverted> notWhole{{"/v/lit\\nreal.wmv", "no picture written"},
                                             {"/v/b\u200f.wmv", "only 0:56 of 2:15 converted"}};
    const std::pair<quillaro::BatchOutcome, std::string> rows[] = {
        {{12, std::vector<NotConverted>(11, failure), {}, true},
         "Stopped.\n\n11 of 12 files were not converted:" + lines + "\n\u2026and 1 more."},
        {{5, {{"/v/c.wmv", "output exists"}}, notWhole, false},
         "Done.\n\n2 of 5 files were converted, but not whole (their MP4 is kept):\n/v/lit" +
             backslash +
             "nreal.wmv \u2014 no picture written\n/v/b\\u200f.wmv \u2014 only 0:56 of "
             "2:15 converted\n\n1 of 5 files were not converted:\n/v/c.wmv \u2014 output exists"},
        {{3, {}, {}, false}, "Done."},
    };
    for (const auto& [outcome, report] : rows)
        EXPECT_EQ(quillaro::endReport(outcome), report);
}
