#include "base/HandOverBurst.h"

#include "filelist/NamePattern.h"

#include <algorithm>
#include <set>

namespace quillaro {

void HandOverBurst::add(std::vector<std::string> paths) {
    if (!paths.empty())
        m_lists.push_back(std::move(paths));
}

std::vector<std::string> HandOverBurst::take() {
    std::vector<std::string> burst;
    for (std::vector<std::string>& list : m_lists)
        burst.insert(burst.end(), std::make_move_iterator(list.begin()),
                     std::make_move_iterator(list.end()));
    if (m_lists.size() > 1)
        std::stable_sort(
            burst.begin(), burst.end(),
            [](const std::string& a, const std::string& b) { return nameLessIgnoringCase(a, b); });
    m_lists.clear();

    std::set<std::string> seen;
    std::erase_if(burst, [&](const std::string& path) { return !seen.insert(path).second; });
    return burst;
}

} // namespace quillaro
