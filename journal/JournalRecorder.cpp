#include "journal/JournalRecorder.h"

#include "hall/LocalTime.h"
#include "journal/JournalWriter.h"

void JournalRecorder::HallChanged(const HallChange &change)
{
    writer_.Append(JournalRowOf(change, LocalTimeAt(change.time).utcOffset));
}
