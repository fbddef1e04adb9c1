#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The German texts of the door link, in one place.

// The main window's mark and the tray tip while the link is down.
inline constexpr const char *kNoHallServerText = "Keine Verbindung zum Hallen-Server";
// The notice for a broker that refuses the login.
inline constexpr const char *kLoginRefusedText =
    "Der Hallen-Server lehnt die Anmeldung ab: Benutzername oder Passwort falsch.";

// A setting that cannot be used, named by its key.
std::string EmptyNameText(std::string_view key);
std::string NameCharacterText(std::string_view key, std::string_view value);
std::string BrokerAddressText(std::string_view value);
// problem: why, as a phrase to follow the file's name; may be empty.
std::string CaFileText(const std::filesystem::path &file, const std::string &problem = {});
// The library was built without TLS (the Windows build): a CA file cannot be used.
std::string NoTlsText();

// The state of the connection, one sentence each; `broker` as the operator
// wrote it.
std::string ConnectedText(std::string_view broker);
std::string ConnectionRefusedText(std::string_view broker);
std::string UnreachableText(std::string_view broker);
std::string UnknownHostText(std::string_view host);
std::string ConnectionLostText(std::string_view broker);
std::string ConnectRefusedText(int code);
std::string CertificateText(std::string_view broker, const std::filesystem::path &caFile);
std::string ConnectFailedText(std::string_view broker, int code);

// The door's own totals cannot be kept in their file, or be taken back from
// it; problem says why, as a phrase to follow the file's name.
std::string StateFileText(const std::filesystem::path &file, const std::string &problem);
std::string StateFileReadText(const std::filesystem::path &file, const std::string &problem);

// Another computer sends as this door: the mark's reason and a notice.
std::string DuplicateDoorText(std::string_view door);
// A door without its totals took them from the other doors' view.
std::string RecoveredText(std::int64_t in, std::int64_t out);
