#pragma once

#include "report/HallReport.h"

#include <QDateTime>
#include <QString>

#include <atomic>

// What the report's footer says beside the program's version.
struct ReportFooter {
    QDateTime printed;
    // The journal's check ("Journal unverändert seit …"); empty: none.
    QString journalCheck;
};

// The period as a report's title names it: "Montag, 7. Dezember 2026",
// "Woche 50: 7.–13. Dezember 2026", "Dezember 2026".
QString ReportPeriodText(const ReportPeriod &period);

// How writing a file went.
struct ReportFileResult {
    bool saved = false;
    bool cancelled = false;
    // Why not: the file rules' phrase, else the system's error number of
    // the step that failed (0 when none is known).
    QString problem;
    int error = 0;
};

// Writes the report as an A4 PDF in German to path: the title with the
// hall's name and the period, the figures, the day's curve or the days'
// bars, the hourly profile; the days' lines and the barrier warnings on a
// second page, so that a week's or a month's report takes two pages at most.
// By the program's file rules: a regular file of the user's own, replaced
// only once complete; a cancel set meanwhile leaves the file as it was.
// Needs a QGuiApplication (one on the "offscreen" platform will do); runs on
// any thread.
ReportFileResult WriteReportPdf(const HallReport &report, const ReportFooter &footer, const QString &path,
                                const std::atomic<bool> *cancel = nullptr);

// The chart module's function that writes a report's PDF, so that the
// command line writes one without loading the charts' libraries at start.
using WriteReportPdfFunction = ReportFileResult (*)(const HallReport &report, const ReportFooter &footer,
                                                    const QString &path);
inline constexpr const char *kWriteReportPdf = "PontraWriteReportPdf";
