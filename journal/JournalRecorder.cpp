#include "journal/JournalRecorder.h"

#include "hall/LocalTime.h"
#include "journal/JournalWriter.h"

void JournalRecorder::HallChanged(const HallChange &change)
{
    const JournalRow row = JournalRowOf(change, LocalTimeAt(change.time).utcOffset);
    if (writer_)
        writer_->Append(row);
    else
        held_.push_back(row);
}

void JournalRecorder::WriteTo(JournalWriter &writer)
{
    writer_ = &writer;
    for (const JournalRow &row : held_)
        writer.Append(row);
    held_.clear();
}
