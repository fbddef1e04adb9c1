#pragma once

#include <functional>
#include <utility>

// A window built the first time it is asked for and reused from then on, so
// that what a caller wrote into it stays. Building the dialogs at start
// would cost the start their time although most runs never open them.
template <typename Form>
class OnFirstUse {
public:
    // How to build it; set once, before the first use.
    void SetMaker(std::function<Form *()> make) { make_ = std::move(make); }
    Form &operator()()
    {
        if (!form_)
            form_ = make_();
        return *form_;
    }
    // The window if it has been built; nullptr if not.
    Form *IfMade() const { return form_; }

private:
    std::function<Form *()> make_;
    Form *form_ = nullptr;
};
