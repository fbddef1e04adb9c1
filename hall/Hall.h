#pragma once

#include "hall/HallEvent.h"
#include "hall/HallGate.h"
#include "hall/HallListener.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The hall's count and capacity. Every change of the count goes through
// Apply(), which keeps the counting rules and then tells the listeners.
// One thread uses it (the GUI thread); it needs no lock.
class Hall {
public:
    explicit Hall(std::int32_t capacity = 5);

    std::int32_t Count() const { return count_; }
    std::int32_t Capacity() const { return capacity_; }
    bool Full() const { return count_ >= capacity_; }

    // Applies an event; a report (IsReport) is only passed on to the
    // listeners. False when a change changes nothing: a passage out of an
    // empty hall, or one in at the largest count there is. An event applied
    // by a listener while it is told waits until every listener has heard of
    // the change before (then the answer is true), so that all of them hear
    // the changes in the order they happen.
    bool Apply(const HallEvent &event);
    // Changes the capacity; the listeners hear of it, but it is no change of
    // the count.
    void SetCapacity(std::int32_t capacity);

    // A listener may add or remove listeners, itself included, while it is
    // being told; one removed then is not told again, one added is told from
    // the next change on.
    void AddListener(HallListener *listener);
    void RemoveListener(HallListener *listener);

    // While a gate is set, it counts the passages and resets and the hall
    // takes its count; none: the hall counts them itself.
    void SetGate(HallGate *gate) { gate_ = gate; }

private:
    bool ApplyNow(const HallEvent &event);
    // The events listeners applied while they were told, in their order.
    void ApplyDeferred();
    // The gate counts the event; the change then has its count.
    bool Gated(const HallEvent &event, HallChange &change, int delta);
    void Tell(HallChange &change);
    template <typename Call>
    void Notify(Call call);

    std::int32_t count_ = 0;
    std::int32_t capacity_;
    HallGate *gate_ = nullptr;
    std::vector<HallListener *> listeners_;
    // How many notifications are running; removals only blank their slot
    // until the outermost one ends.
    int notifying_ = 0;
    std::deque<HallEvent> deferred_;
};
