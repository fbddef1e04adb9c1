#pragma once

#include "hall/HallListener.h"

class JournalWriter;

// Records every change of the hall as a journal row, with the local UTC
// offset at its moment.
class JournalRecorder : public HallListener {
public:
    explicit JournalRecorder(JournalWriter &writer) : writer_(writer) {}
    void HallChanged(const HallChange &change) override;

private:
    JournalWriter &writer_;
};
