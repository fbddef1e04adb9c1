#include "dialogs/BarrierWarningText.h"

#include "hall/LocalTime.h"

QString BarrierWarningText(const HallChange &report, int port)
{
    const std::chrono::hh_mm_ss<std::chrono::seconds> clock(LocalTimeAt(report.since).timeOfDay);
    const QString since = QStringLiteral("%1:%2:%3")
                              .arg(clock.hours().count(), 2, 10, QLatin1Char('0'))
                              .arg(clock.minutes().count(), 2, 10, QLatin1Char('0'))
                              .arg(clock.seconds().count(), 2, 10, QLatin1Char('0'));
    switch (report.source) {
    case HallSource::EntryBlocked:
        return QStringLiteral("Lichtschranke Eingang unterbrochen seit %1").arg(since);
    case HallSource::ExitBlocked:
        return QStringLiteral("Lichtschranke Ausgang unterbrochen seit %1").arg(since);
    case HallSource::EntryFlickering:
        return QStringLiteral("Lichtschranke Eingang flattert seit %1").arg(since);
    case HallSource::ExitFlickering:
        return QStringLiteral("Lichtschranke Ausgang flattert seit %1").arg(since);
    case HallSource::PortLost:
        return QStringLiteral("Schnittstelle COM%1 getrennt seit %2").arg(port).arg(since);
    default:
        return {};
    }
}

QString BarrierWarningText(const std::optional<BarrierWarning> &warning)
{
    if (!warning)
        return {};
    HallChange report;
    report.source = warning->source;
    report.since = warning->since;
    return BarrierWarningText(report, warning->port);
}

QStringList BarrierWarningTexts(const std::vector<BarrierWarning> &warnings)
{
    QStringList texts;
    for (const BarrierWarning &warning : warnings)
        texts << BarrierWarningText(warning);
    return texts;
}
