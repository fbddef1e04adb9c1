#include "report/ReportFile.h"

#include "files/FileRules.h"

#include <QSaveFile>

#include <cerrno>
#include <system_error>

namespace {

std::string SystemError(int error)
{
    return SystemProblem(std::error_code(error != 0 ? error : EIO, std::generic_category()));
}

} // namespace

std::string SaveReportFile(const std::filesystem::path &file, std::string_view bytes)
{
    const FilePlace place = PlaceToWrite(file);
    if (!place.problem.empty())
        return place.problem;
    QSaveFile out(QString::fromStdU16String(place.path.u16string()));
    errno = 0;
    if (!out.open(QIODevice::WriteOnly))
        return SystemError(errno);
    const auto size = static_cast<qint64>(bytes.size());
    if (out.write(bytes.data(), size) != size) {
        const int error = errno;
        out.cancelWriting();
        return SystemError(error);
    }
    errno = 0;
    if (!out.commit())
        return SystemError(errno);
    return {};
}
