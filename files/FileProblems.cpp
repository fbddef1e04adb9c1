#include "files/FileRules.h"

std::string NotRegularFileProblem()
{
    return "an der Stelle der Datei steht keine gewöhnliche Datei";
}

std::string ForeignFileProblem()
{
    return "die Datei gehört einem anderen Benutzer";
}

std::string ForeignFolderProblem()
{
    return "ihr Ordner gehört einem anderen Benutzer";
}

std::string TooLargeFileProblem(std::size_t most)
{
    constexpr std::size_t kMegabyte = std::size_t(1) << 20;
    const std::string bound = most % kMegabyte == 0 ? std::to_string(most / kMegabyte) + " MB"
                                                    : std::to_string(most) + " Bytes";
    return "die Datei ist größer als " + bound;
}

std::string SystemProblem(const std::error_code &error)
{
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return "keine Berechtigung";
    if (error == std::errc::read_only_file_system)
        return "der Datenträger ist schreibgeschützt";
    if (error == std::errc::no_space_on_device)
        return "der Datenträger ist voll";
    if (error == std::errc::not_a_directory || error == std::errc::file_exists)
        return "ein Teil des Pfads ist kein Ordner";
    if (error == std::errc::no_such_file_or_directory)
        return "ein Ordner des Pfads fehlt";
    if (error == std::errc::too_many_symbolic_link_levels)
        return NotRegularFileProblem();
    return "Fehler " + std::to_string(error.value());
}

std::string FileSentence(const std::string &problem)
{
    if (problem.empty())
        return {};
    std::string sentence = problem;
    // Every phrase begins with an ASCII letter.
    if (sentence[0] >= 'a' && sentence[0] <= 'z')
        sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
    return sentence + ".";
}
