#include "app/HandOver.h"

namespace quillaro {

// Without a session bus of its own kind, each start keeps its own window.
HandOver handOverOrReceive(const std::vector<std::string>&,
                           std::function<void(std::vector<std::string>)>) {
    return HandOver::Alone;
}

} // namespace quillaro
