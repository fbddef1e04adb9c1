#pragma once

#include "report/HallReport.h"

#include <filesystem>
#include <string>

// Writes the report as a PDF, journalCheck the footer's line on the
// journal; why not, as a German phrase to follow the file's name, empty once
// written.
std::string WriteReportPdf(const HallReport &report, const std::string &journalCheck,
                           const std::filesystem::path &file);
