#pragma once

#include "hall/HallListener.h"
#include "journal/JournalRow.h"

#include <deque>
#include <utility>

class JournalWriter;

// Records every change of the hall, and every report on its barriers, as a
// journal row, with the local UTC offset at its moment. Without a writer
// yet, it holds the rows in their order until it is given one.
class JournalRecorder : public HallListener {
public:
    explicit JournalRecorder(JournalWriter &writer) : writer_(&writer) {}
    explicit JournalRecorder(std::deque<JournalRow> held) : held_(std::move(held)) {}
    void HallChanged(const HallChange &change) override;
    void HallReported(const HallChange &report) override { HallChanged(report); }

    // The rows held go to writer first, and every row after them.
    void WriteTo(JournalWriter &writer);
    // Without a writer: the rows held, which it keeps no longer.
    std::deque<JournalRow> TakeHeld() { return std::exchange(held_, {}); }

private:
    JournalWriter *writer_ = nullptr;
    std::deque<JournalRow> held_;
};
