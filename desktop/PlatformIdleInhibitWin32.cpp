#include "desktop/IdleInhibit.h"

#include <windows.h>

namespace {

// The display stays on while the thread that showed the public display says
// so; the setting is the thread's, and the GUI thread lives as long as the
// program.
class ExecutionStateInhibit : public IdleInhibit {
public:
    ~ExecutionStateInhibit() override { Release(); }

    void Hold(const QString &) override
    {
        if (!held_)
            held_ = SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED) != 0;
    }

    void Release() override
    {
        if (held_)
            SetThreadExecutionState(ES_CONTINUOUS);
        held_ = false;
    }

private:
    bool held_ = false;
};

} // namespace

std::unique_ptr<IdleInhibit> NewPlatformIdleInhibit()
{
    return std::make_unique<ExecutionStateInhibit>();
}
