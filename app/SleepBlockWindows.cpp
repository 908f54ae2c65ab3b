#include "app/SleepBlock.h"

#include <windows.h>

namespace {

// The state belongs to the thread that sets it: the window's, which both
// takes and drops the block.
class ExecutionStateBlock : public SleepBlock {
public:
    ExecutionStateBlock() { SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED); }
    ~ExecutionStateBlock() override { SetThreadExecutionState(ES_CONTINUOUS); }
    ExecutionStateBlock(const ExecutionStateBlock&) = delete;
    ExecutionStateBlock& operator=(const ExecutionStateBlock&) = delete;
};

} // namespace

std::unique_ptr<SleepBlock> keepSystemAwake(const QString&) {
    return std::make_unique<ExecutionStateBlock>();
}
