#include "Platform/QuartzCore/CATransaction.h"

#include <map>
#include <optional>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"

namespace {

struct State {
    // The implicit transaction first, then one per begin() not yet committed.
    std::vector<std::optional<bool>> disableActions{std::nullopt};
    bool changed = false;
    bool flushQueued = false;
    unsigned nextToken = 1;
    std::map<unsigned, std::function<void()>> observers;
};

State& state()
{
    static State* shared = new State;
    return *shared;
}

void tellObservers()
{
    auto& s = state();
    if (!s.changed)
        return;
    s.changed = false;
    auto observers = s.observers;
    for (auto& [token, observer] : observers)
        observer();
}

}  // namespace

void CATransaction::begin()
{
    state().disableActions.push_back(std::nullopt);
}

void CATransaction::commit()
{
    auto& s = state();
    if (s.disableActions.size() <= 1)
        return;
    s.disableActions.pop_back();
    if (s.disableActions.size() == 1)
        tellObservers();
}

void CATransaction::flush()
{
    auto& s = state();
    s.disableActions.front().reset();
    if (s.disableActions.size() == 1)
        tellObservers();
}

bool CATransaction::disableActions()
{
    const auto& frames = state().disableActions;
    for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
        if (*frame)
            return **frame;
    }
    return false;
}

void CATransaction::setDisableActions(bool disable)
{
    state().disableActions.back() = disable;
}

void CATransaction::noteChange()
{
    auto& s = state();
    s.changed = true;
    if (s.observers.empty() || s.flushQueued || s.disableActions.size() > 1)
        return;
    s.flushQueued = true;
    DispatchQueue::main().async([] {
        state().flushQueued = false;
        flush();
    });
}

std::unique_ptr<ObserverRegistration> CATransaction::addCommitObserver(std::function<void()> observer)
{
    auto token = state().nextToken++;
    state().observers.emplace(token, std::move(observer));
    return std::make_unique<ObserverRegistration>([token] { state().observers.erase(token); });
}
