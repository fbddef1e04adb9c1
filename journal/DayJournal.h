#pragma once

#include "journal/JournalRow.h"

#include <QObject>
#include <QString>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class Hall;
class JournalRecorder;
class JournalWriter;

// The day journal as the program keeps it: every change of the hall goes to
// a writer thread, and what that thread reports (the file cannot be
// written, it can again, a damaged file was moved aside) reaches the
// operator as a notice, posted to the GUI thread. The writer starts with
// Begin(), once the program's window is up: opening the database costs the
// start. Until then the changes are held in memory, in their order.
class DayJournal : public QObject {
    Q_OBJECT
public:
    using Notice = std::function<void(const QString &)>;

    // file: empty when the user has no folder for it, and then there is no
    // journal. Keeps none until SetKeepDays() asks for one.
    DayJournal(Hall &hall, std::filesystem::path file, Notice notice, QObject *parent = nullptr);
    // Stops the writer, writing what is queued.
    ~DayJournal() override;

    // Keeps the journal with rows of that many days, starting its writer
    // (after Begin()) or starting it afresh for a new number; 0 stops it and
    // keeps no journal. Without expire, older rows stay too until it is
    // called with expire.
    void SetKeepDays(int days, bool expire = true);
    // Starts the writer with the rows held so far; once.
    void Begin();
    // Writes what is queued or held and stops, at the end of the run. Rows
    // that could not be written are saved beside the journal as CSV; returns
    // the German sentence that says where (or that they are lost), else empty.
    QString Stop();

    // Whether it keeps a journal, its writer started or not yet.
    bool Running() const { return recorder_ != nullptr; }
    // Whether its writer has started.
    bool Writing() const { return writer_ != nullptr; }
    const std::filesystem::path &File() const { return file_; }

private:
    void StartWriter();
    // Stops the writer; the rows it could not write, or those held.
    std::deque<JournalRow> StopWriter();
    // On the GUI thread: the notices the writers posted.
    Q_INVOKABLE void TellNotices();

    Hall &hall_;
    const std::filesystem::path file_;
    const Notice notice_;
    int keepDays_ = 0;
    bool expire_ = true;
    bool begun_ = false;
    std::unique_ptr<JournalWriter> writer_;
    std::unique_ptr<JournalRecorder> recorder_;
    // Counts the writers started, so that a report of one that was stopped
    // meanwhile is dropped.
    unsigned writers_ = 0;
    // The writers' notices with the writer they came from, taken over by
    // TellNotices: the queued call itself carries no data.
    std::mutex noticesMutex_;
    std::vector<std::pair<unsigned, QString>> notices_;
};
