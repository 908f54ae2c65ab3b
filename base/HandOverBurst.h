#pragma once

#include <string>
#include <vector>

namespace quillaro {

// The paths handed over by starts that raced each other, gathered until the
// burst ends. Explorer starts one process per chosen file, all at once, so
// their arrival order means nothing: a burst of several lists is put in the
// order a folder scan lists names. A lone list (one start's %F, a drop on
// the program) keeps the order it came in. A path already gathered is not
// added twice.
class HandOverBurst {
public:
    void add(std::vector<std::string> paths);
    // The burst so far, in its order; the collector is then empty.
    std::vector<std::string> take();

private:
    std::vector<std::vector<std::string>> m_lists;
};

} // namespace quillaro
