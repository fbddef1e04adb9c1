#include "app/ReportPdf.h"

#include "chart/ReportPdf.h"
#include "desktop/ProgramModule.h"
#include "journal/JournalReasons.h"

#include <cerrno>
#include <system_error>

std::string WriteReportPdf(const HallReport &report, const std::string &journalCheck,
                           const std::filesystem::path &file)
{
    // The chart's module draws it, loaded now: a report in CSV never maps
    // the libraries of its charts.
    ProgramModule module(QStringLiteral("pontra-chart"), QStringLiteral("Der Bericht als PDF"));
    QString problem;
    const auto write = reinterpret_cast<WriteReportPdfFunction>(module.Function(kWriteReportPdf, problem));
    if (!write)
        return problem.toStdString();
    const ReportFileResult result =
        write(report, {QDateTime::currentDateTime(), QString::fromStdString(journalCheck)}, QString::fromStdU16String(file.u16string()));
    if (result.saved)
        return {};
    if (!result.problem.isEmpty())
        return result.problem.toStdString();
    return SystemReason(std::error_code(result.error != 0 ? result.error : EIO, std::generic_category()));
}
