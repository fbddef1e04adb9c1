#include "journal/UnwrittenRows.h"

#include "files/FileRules.h"
#include "journal/JournalCsv.h"
#include "journal/JournalPath.h"
#include "journal/JournalReasons.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

namespace {

struct FileClose {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Creates the file, never through a link nor over one there: false when
// something is there already; problem set on any other failure.
bool WriteNew(const std::filesystem::path &file, const std::string &content, std::string &problem)
{
    const FilePlace place = PlaceToWrite(file, LinkInPlace::Refuse);
    if (place.exists)
        return false;
    if (!place.problem.empty()) {
        problem = QuotedPath(file) + " – " + place.problem;
        return false;
    }
    // "x": created here or not at all, as O_EXCL.
    std::unique_ptr<std::FILE, FileClose> out(std::fopen(file.string().c_str(), "wbx"));
    if (!out) {
        if (errno != EEXIST)
            problem = QuotedPath(file) + " – " + SystemProblem(std::error_code(errno, std::generic_category()));
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), out.get()) == content.size()
                         && std::fflush(out.get()) == 0;
    if (!written) {
        problem = "„" + Utf8Path(file) + "“ lässt sich nicht schreiben";
        out.reset();
        std::remove(file.string().c_str());
    }
    return written;
}

} // namespace

UnwrittenRows SaveUnwrittenRows(const std::filesystem::path &journal, const std::deque<JournalRow> &rows,
                                std::chrono::system_clock::time_point now)
{
    UnwrittenRows saved;
    saved.count = rows.size();
    std::ostringstream csv;
    WriteJournalCsv(csv, std::vector<JournalRow>(rows.begin(), rows.end()));
    const std::string stamp = journal.filename().string() + ".nicht-geschrieben-" + LocalFileStamp(now);
    for (int n = 1; n < 100 && saved.problem.empty(); ++n) {
        const std::filesystem::path file =
            journal.parent_path() / (n > 1 ? stamp + "-" + std::to_string(n) + ".csv" : stamp + ".csv");
        if (WriteNew(file, csv.str(), saved.problem)) {
            saved.file = file;
            return saved;
        }
    }
    if (saved.problem.empty())
        saved.problem = "im Ordner " + QuotedPath(journal.parent_path()) + " lässt sich keine neue Datei anlegen";
    return saved;
}

std::string UnwrittenNotice(const UnwrittenRows &saved)
{
    const bool one = saved.count == 1;
    const std::string rows = one ? std::string("Ein Eintrag ließ") : std::to_string(saved.count) + " Einträge ließen";
    const std::string failed = rows + " sich bis zum Ende nicht ins Tagesjournal schreiben";
    if (!saved.file.empty())
        return failed + ". " + (one ? "Er steht" : "Sie stehen") + " in " + QuotedPath(saved.file)
               + " (CSV wie beim Export).";
    return failed + " und " + (one ? "ging" : "gingen") + " verloren: " + saved.problem + ".";
}
