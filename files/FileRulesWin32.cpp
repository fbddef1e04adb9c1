#include "files/FileRules.h"

#include <fstream>

// Windows: no fifos nor devices under a file's name, and no owner to
// compare; links (reparse points) are followed to what they lead to.

namespace {

FilePlace Locate(const std::filesystem::path &file)
{
    FilePlace place;
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        place.problem = SystemProblem(error);
        return place;
    }
    place.exists = std::filesystem::exists(status);
    if (place.exists && !std::filesystem::is_regular_file(status)) {
        place.problem = NotRegularFileProblem();
        return place;
    }
    place.path = place.exists ? std::filesystem::canonical(file, error) : std::filesystem::absolute(file, error);
    if (error) {
        place.path.clear();
        place.problem = SystemProblem(error);
    }
    return place;
}

} // namespace

FilePlace PlaceToWrite(const std::filesystem::path &file, LinkInPlace)
{
    return Locate(file);
}

FilePlace PlaceToRead(const std::filesystem::path &file, LinkInPlace)
{
    return Locate(file);
}

FileContent ReadRegularFile(const std::filesystem::path &file, std::size_t most)
{
    FileContent content;
    const FilePlace place = Locate(file);
    content.exists = place.exists;
    content.problem = place.problem;
    if (!content.problem.empty() || !place.exists)
        return content;
    std::ifstream in(place.path, std::ios::binary);
    content.bytes.resize(most + 1);
    in.read(content.bytes.data(), static_cast<std::streamsize>(content.bytes.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (in.bad()) {
        content.problem = SystemProblem(std::make_error_code(std::errc::io_error));
        content.bytes.clear();
    } else if (got > most) {
        content.problem = TooLargeFileProblem(most);
        content.bytes.clear();
    } else {
        content.bytes.resize(got);
    }
    return content;
}
