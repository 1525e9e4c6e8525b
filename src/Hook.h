// Hook: a slot for one replaceable function, and the scope object that fills it. While a Hook::Scope lives
// the slot holds its function; when it ends, the function it replaced is back, so replacements nest (they
// must end in the reverse order of their start). The clock, the buffer swap, the viewer's controls and the
// music's position are hooks that tests, tools and the page fill.
#pragma once

#include <functional>
#include <utility>

template <class Signature>
class Hook {
public:
    using Function = std::function<Signature>;

    class Scope {
    public:
        Scope(Hook& hook, Function function) : hook(hook), previous(std::exchange(hook.function, std::move(function))) {}
        ~Scope() { hook.function = std::move(previous); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        // The function this scope replaced; empty where the slot was.
        const Function& replaced() const { return previous; }

    private:
        Hook& hook;
        Function previous;
    };

    explicit operator bool() const { return static_cast<bool>(function); }
    template <class... Args>
    auto operator()(Args&&... args) const {
        return function(std::forward<Args>(args)...);
    }

private:
    Function function;
};
