#pragma once

#include "chart/DayChartWindow.h"
#include "chart/ReportPdf.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

// Makes a report and saves it on a thread of its own, so that the GUI stays
// responsive while the journal is read and the file written: reads the
// period's rows, computes the figures, checks the journal and writes the
// PDF (or the CSV) whole by the file rules.
class ReportSaver : public QObject {
    Q_OBJECT
public:
    enum class Format { Pdf, Csv };
    struct Job {
        ReportPeriod period;
        ReportOptions options;
        QString path;
        Format format = Format::Pdf;
    };
    struct Result {
        ReportFileResult file;
        // Why the journal could not be read, in German; empty when it was.
        QString unread;
    };

    explicit ReportSaver(QObject *parent = nullptr);
    // A save still running is cancelled and waited for.
    ~ReportSaver() override;

    // Starts a job on source; false, doing nothing, while one runs.
    bool Start(const Job &job, const ReportSource &source);
    bool Running() const { return worker_.joinable(); }
    // The job running stops without a file, unless it has completed.
    void Cancel() { cancel_ = true; }

signals:
    // On the saver's thread, once the job has ended.
    void Done(const QString &path, const ReportSaver::Result &result);

private:
    Q_INVOKABLE void Deliver();
    Result Run(const Job &job, const ReportSource &source) const;

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    // Written by the worker, read once it has been joined.
    QString path_;
    Result result_;
};
