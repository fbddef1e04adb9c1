#pragma once

#include "hall/HallListener.h"

class JournalWriter;

// Records every change of the hall, and every report on its barriers, as a
// journal row, with the local UTC offset at its moment.
class JournalRecorder : public HallListener {
public:
    explicit JournalRecorder(JournalWriter &writer) : writer_(writer) {}
    void HallChanged(const HallChange &change) override;
    void HallReported(const HallChange &report) override { HallChanged(report); }

private:
    JournalWriter &writer_;
};
