#pragma once

#include "report/HallReport.h"

#include <ostream>

// A report as CSV, the way the journal's export writes (UTF-8 with a byte
// order mark, ';' between fields, CRLF line ends), in four parts apart by an
// empty line, each with its header line: the figures (Kennzahl;Wert), a line
// per day, the hourly profile and the barriers' warnings. Numbers as German
// spreadsheets read them: a decimal comma, durations as H:MM:SS; a figure
// not known is an empty field.
void WriteReportCsv(std::ostream &out, const HallReport &report);
