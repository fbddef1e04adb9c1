#include "chart/ReportSaver.h"

#include "journal/JournalReader.h"
#include "report/ReportCsv.h"
#include "report/ReportFile.h"

#include <filesystem>
#include <sstream>

ReportSaver::ReportSaver(QObject *parent) : QObject(parent) {}

ReportSaver::~ReportSaver()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

bool ReportSaver::Start(const Job &job, const ReportSource &source)
{
    if (Running())
        return false;
    cancel_ = false;
    worker_ = std::thread([this, job, source] {
        path_ = job.path;
        result_ = Run(job, source);
        // Queued by name: the result waits in the saver until the thread is joined.
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    });
    return true;
}

ReportSaver::Result ReportSaver::Run(const Job &job, const ReportSource &source) const
{
    Result result;
    ReportRows rows;
    try {
        rows = source.read(job.period);
    } catch (const JournalError &error) {
        result.unread = QString::fromStdString(error.what());
        return result;
    }
    if (cancel_) {
        result.file.cancelled = true;
        return result;
    }
    const HallReport report = MakeHallReport(rows, job.period, job.options);
    if (job.format == Format::Csv) {
        std::ostringstream csv;
        WriteReportCsv(csv, report);
        if (cancel_) {
            result.file.cancelled = true;
            return result;
        }
        const std::string problem = SaveReportFile(std::filesystem::path(job.path.toStdU16String()), csv.str());
        result.file.saved = problem.empty();
        result.file.problem = QString::fromStdString(problem);
        return result;
    }
    ReportFooter footer;
    footer.printed = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(job.options.now.time_since_epoch()).count());
    if (source.checkJournal)
        footer.journalCheck = QString::fromStdString(source.checkJournal());
    result.file = WriteReportPdf(report, footer, job.path, &cancel_);
    return result;
}

void ReportSaver::Deliver()
{
    worker_.join();
    emit Done(path_, result_);
}
