#pragma once

#include "journal/JournalRow.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Saves rows as the journal's CSV on a thread of its own, so that the GUI
// stays responsive however long the day: into a new file beside the target
// that takes its place only once complete, so that a failure or a cancel
// leaves the target as it was and no half file. The target is written only
// by the program's file rules (a regular file of the user's own).
class CsvSaver : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool saved = false;
        bool cancelled = false;
        // Why not: the file rules' phrase, or else the system's error number
        // of the step that failed (0 when none is known).
        QString problem;
        int error = 0;
    };

    explicit CsvSaver(QObject *parent = nullptr);
    // A save still running is cancelled and waited for: it stops after the
    // rows it is writing.
    ~CsvSaver() override;

    // Starts saving rows to path; false, doing nothing, while a save runs.
    bool Start(const QString &path, std::vector<JournalRow> rows);
    bool Running() const { return worker_.joinable(); }
    // Rows written so far by the save running.
    std::size_t Written() const { return written_.load(std::memory_order_relaxed); }
    // The save running stops without a file, unless it has completed.
    void Cancel() { cancel_ = true; }

signals:
    // On the saver's thread, once the save has ended.
    void Done(const QString &path, const CsvSaver::Result &result);

private:
    Q_INVOKABLE void Deliver();
    void Write(const QString &path, const std::vector<JournalRow> &rows);

    std::thread worker_;
    std::atomic<std::size_t> written_{0};
    std::atomic<bool> cancel_{false};
    // Written by the worker, read once it has been joined.
    QString path_;
    Result result_;
};
