#include "app/ReportPdf.h"

std::string WriteReportPdf(const HallReport &, const std::filesystem::path &)
{
    return "PDF noch nicht verfügbar";
}
