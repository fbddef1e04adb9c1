#include "link/LinkTexts.h"

namespace {

std::string Quoted(std::string_view text)
{
    return "„" + std::string(text) + "“";
}

std::string Quoted(const std::filesystem::path &path)
{
    const auto utf8 = path.u8string();
    return Quoted(std::string_view(reinterpret_cast<const char *>(utf8.data()), utf8.size()));
}

} // namespace

std::string EmptyNameText(std::string_view key)
{
    return "Die Einstellung " + Quoted(key) + " ist leer; sie muss einen Namen enthalten.";
}

std::string NameCharacterText(std::string_view key, std::string_view value)
{
    return "Die Einstellung " + Quoted(key) + " darf kein „/“, „+“, „#“ und kein Steuerzeichen enthalten: " +
           Quoted(value) + ".";
}

std::string BrokerAddressText(std::string_view value)
{
    return "Die Einstellung „Broker“ nennt keinen Hallen-Server in der Form Rechner:Port (Port 1 bis 65535): " +
           Quoted(value) + ".";
}

std::string CaFileText(const std::filesystem::path &file, const std::string &problem)
{
    return "Die Zertifikatsdatei " + Quoted(file) + " aus der Einstellung „BrokerCaFile“ lässt sich nicht lesen" +
           (problem.empty() ? "." : ": " + problem + ".");
}

std::string NoTlsText()
{
    return "Diese Ausgabe von Pontra kann die Verbindung zum Hallen-Server nicht verschlüsseln (ohne TLS gebaut). "
           "Leeren Sie in den erweiterten Einstellungen das Feld „Zertifikat (CA)“; bis dahin zählt dieser "
           "Eingang allein.";
}

std::string ConnectedText(std::string_view broker)
{
    return "Verbunden mit dem Hallen-Server " + Quoted(broker) + ".";
}

std::string ConnectionRefusedText(std::string_view broker)
{
    return "Der Hallen-Server " + Quoted(broker) + " nimmt keine Verbindung an.";
}

std::string UnreachableText(std::string_view broker)
{
    return "Der Hallen-Server " + Quoted(broker) + " ist nicht erreichbar.";
}

std::string UnknownHostText(std::string_view host)
{
    return "Der Rechnername " + Quoted(host) + " des Hallen-Servers ist unbekannt.";
}

std::string ConnectionLostText(std::string_view broker)
{
    return "Die Verbindung zum Hallen-Server " + Quoted(broker) + " ist abgebrochen.";
}

std::string ConnectRefusedText(int code)
{
    return "Der Hallen-Server lehnt die Verbindung ab (Code " + std::to_string(code) + ").";
}

std::string CertificateText(std::string_view broker, const std::filesystem::path &caFile)
{
    return "Die verschlüsselte Verbindung zum Hallen-Server " + Quoted(broker) +
           " kommt nicht zustande: Sein Zertifikat lässt sich mit " + Quoted(caFile) +
           " nicht prüfen, ist abgelaufen oder gilt für einen anderen Namen.";
}

std::string ConnectFailedText(std::string_view broker, int code)
{
    return "Die Verbindung zum Hallen-Server " + Quoted(broker) + " scheitert (Fehler " + std::to_string(code) +
           ").";
}

std::string StateFileText(const std::filesystem::path &file, const std::string &problem)
{
    return "Die Zählerstände dieses Eingangs lassen sich nicht in " + Quoted(file) + " sichern: " + problem +
           ". Der Eingang zählt weiter; nach einem Neustart holt er sie vom Hallen-Server zurück.";
}

std::string StateFileReadText(const std::filesystem::path &file, const std::string &problem)
{
    return "Die Zählerstände dieses Eingangs lassen sich nicht aus " + Quoted(file) + " lesen: " + problem +
           ". Der Eingang holt sie vom Hallen-Server zurück.";
}

std::string DuplicateDoorText(std::string_view door)
{
    return "Zwei Eingänge heißen " + Quoted(door) +
           ". Dieser Eingang sendet nichts mehr, bis einer von beiden in den erweiterten Einstellungen einen "
           "anderen Namen erhält.";
}

std::string RecoveredText(std::int64_t in, std::int64_t out)
{
    return "Dieser Eingang hatte keine gespeicherten Zählerstände mehr. Er hat sie von den anderen Eingängen "
           "übernommen: " + std::to_string(in) + " hinein, " + std::to_string(out) + " hinaus.";
}
