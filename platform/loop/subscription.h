#pragma once
// Subscriptions that end. A source keeps its subscribers in a Signal; subscribing gives a
// Subscription that removes the subscriber when it is destroyed, whichever of the two goes
// first. Work posted for later (a loop task, a callback from another thread) holds an
// AliveToken's Watch and asks it before touching its owner.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace rv {

class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> end) : m_end(std::move(end)) {}
    Subscription(Subscription&& other) noexcept : m_end(std::exchange(other.m_end, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            m_end = std::exchange(other.m_end, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    // Ends the subscription now; nothing happens for one already ended.
    void reset() {
        if (auto end = std::exchange(m_end, nullptr)) end();
    }
    bool active() const { return static_cast<bool>(m_end); }

  private:
    std::function<void()> m_end;
};

template <class... Args>
class Signal {
  public:
    using Handler = std::function<void(Args...)>;

    [[nodiscard]] Subscription subscribe(Handler handler) {
        const std::uint64_t id = ++m_state->next_id;
        m_state->entries.push_back({id, std::make_shared<Handler>(std::move(handler))});
        std::weak_ptr<State> state = m_state;
        return Subscription([state, id] {
            if (auto s = state.lock()) s->remove(id);
        });
    }

    // Calls the subscribers of the moment in the order they came; one that a handler ends
    // meanwhile is not called, one it adds waits for the next call.
    void operator()(Args... args) const {
        const std::shared_ptr<State> state = m_state;  // a handler may destroy the source
        const std::vector<Slot> entries = state->entries;
        for (const Slot& slot : entries)
            if (state->has(slot.id)) (*slot.handler)(args...);
    }

    std::size_t size() const { return m_state->entries.size(); }

  private:
    struct Slot {
        std::uint64_t id;
        std::shared_ptr<Handler> handler;
    };
    struct State {
        std::uint64_t next_id = 0;
        std::vector<Slot> entries;
        bool has(std::uint64_t id) const {
            return std::any_of(entries.begin(), entries.end(),
                               [id](const Slot& s) { return s.id == id; });
        }
        void remove(std::uint64_t id) {
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [id](const Slot& s) { return s.id == id; }),
                          entries.end());
        }
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// Lives as long as its owner; a Watch taken from it tells whether the owner still does. The
// Watch may be asked on any thread.
class AliveToken {
  public:
    class Watch {
      public:
        bool alive() const { return !m_token.expired(); }

      private:
        friend class AliveToken;
        explicit Watch(std::weak_ptr<const char> token) : m_token(std::move(token)) {}
        std::weak_ptr<const char> m_token;
    };

    AliveToken() = default;
    AliveToken(const AliveToken&) = delete;
    AliveToken& operator=(const AliveToken&) = delete;

    Watch watch() const { return Watch(m_token); }

  private:
    std::shared_ptr<const char> m_token = std::make_shared<const char>();
};

}  // namespace rv
