#include "chart/CsvSaver.h"

#include "files/FileRules.h"
#include "journal/JournalCsv.h"

#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <span>
#include <sstream>

namespace {

// Rows formatted and written at a time: a cancel takes effect within
// milliseconds, and the progress moves in small steps.
constexpr std::size_t kRowsAtATime = 4096;

bool WriteText(QSaveFile &file, const std::string &text)
{
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

} // namespace

CsvSaver::CsvSaver(QObject *parent) : QObject(parent) {}

CsvSaver::~CsvSaver()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

bool CsvSaver::Start(const QString &path, std::vector<JournalRow> rows)
{
    if (Running())
        return false;
    written_ = 0;
    cancel_ = false;
    worker_ = std::thread([this, path, rows = std::move(rows)] {
        Write(path, rows);
        // Queued by name: the result waits in the saver until the thread is joined.
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    });
    return true;
}

void CsvSaver::Write(const QString &path, const std::vector<JournalRow> &rows)
{
    path_ = path;
    result_ = {};
    const FilePlace place = PlaceToWrite(std::filesystem::path(path.toStdU16String()));
    if (!place.problem.empty()) {
        result_.problem = QString::fromStdString(place.problem);
        return;
    }
    QSaveFile file(QString::fromStdU16String(place.path.u16string()));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        result_.error = errno;
        return;
    }
    std::ostringstream header;
    WriteJournalCsvHeader(header);
    bool written = WriteText(file, header.str());
    for (std::size_t done = 0; written && done < rows.size() && !cancel_;) {
        const std::size_t count = std::min(kRowsAtATime, rows.size() - done);
        std::ostringstream csv;
        WriteJournalCsvRows(csv, std::span(rows).subspan(done, count));
        written = WriteText(file, csv.str());
        done += count;
        written_.store(done, std::memory_order_relaxed);
    }
    const int writeError = written ? 0 : errno;
    if (cancel_) {
        // Without a commit the new file is removed, the target untouched.
        file.cancelWriting();
        result_.cancelled = true;
        return;
    }
    result_.saved = written && file.commit();
    if (!result_.saved)
        result_.error = written ? errno : writeError;
}

void CsvSaver::Deliver()
{
    worker_.join();
    emit Done(path_, result_);
}
