#include "MosquittoBroker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

extern char **environ;

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

namespace {

// A port nobody listens on now: the system's choice for a socket bound to 0.
int FreePort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (socket < 0 || bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("no free port");
    close(socket);
    return ntohs(address.sin_port);
}

bool Accepts(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    const bool accepted = connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(socket);
    return accepted;
}

pid_t Spawn(const std::vector<std::string> &arguments, const std::filesystem::path &log)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + arguments[0]);
    return pid;
}

// A shell command in the broker's folder, for making its files.
void Shell(const std::filesystem::path &folder, const std::string &command)
{
    if (std::system(("cd '" + folder.string() + "' && " + command + " >>setup.log 2>&1").c_str()) != 0)
        throw std::runtime_error(command + " failed; see " + (folder / "setup.log").string());
}

} // namespace

MosquittoBroker::MosquittoBroker(Options options)
{
    std::string folder = (std::filesystem::temp_directory_path() / "pontra-broker-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        throw std::runtime_error("no temporary folder");
    folder_ = folder;
    port_ = FreePort();
    std::ofstream config(folder_ / "mosquitto.conf");
    config << "listener " << port_ << " 127.0.0.1\n"
           << "persistence " << (options.persistent ? "true" : "false") << "\n"
           << "persistence_location " << (folder_ / "").string() << "\n"
           // Run as root, the broker would become "mosquitto" and lose its
           // own folder; as anyone else this changes nothing.
           << "user " << getpwuid(geteuid())->pw_name << "\n";
    if (options.user.empty()) {
        config << "allow_anonymous true\n";
    } else {
        Shell(folder_, "mosquitto_passwd -b -c passwords '" + options.user + "' '" + options.password + "'");
        config << "allow_anonymous false\npassword_file " << (folder_ / "passwords").string() << "\n";
    }
    if (options.tls) {
        const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        Shell(folder_, "openssl req -x509" + key + " -days 2 -keyout ca.key -out ca.pem -subj /CN=Pontra" +
                           " && openssl req -x509" + key + " -days 2 -keyout other.key -out other-ca.pem -subj /CN=Other" +
                           " && openssl req" + key + " -keyout server.key -out server.csr -subj /CN=127.0.0.1" +
                           " && echo subjectAltName=IP:127.0.0.1 >server.ext" +
                           " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2" +
                           " -extfile server.ext -out server.pem");
        config << "cafile " << (folder_ / "ca.pem").string() << "\ncertfile " << (folder_ / "server.pem").string()
               << "\nkeyfile " << (folder_ / "server.key").string() << "\n";
    }
    config.close();
    if (!Start())
        throw std::runtime_error("mosquitto did not start; see " + (folder_ / "mosquitto.log").string());
}

MosquittoBroker::~MosquittoBroker()
{
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool MosquittoBroker::Start()
{
    Stop();
    pid_ = Spawn({"mosquitto", "-c", (folder_ / "mosquitto.conf").string()}, folder_ / "mosquitto.log");
    bool exited = false;
    WaitFor(
        [&] {
            int status = 0;
            exited = waitpid(pid_, &status, WNOHANG) == pid_;
            return exited || Accepts(port_);
        },
        std::chrono::seconds(10));
    if (!exited && Accepts(port_))
        return true;
    if (exited)
        pid_ = -1;
    Stop();
    return false;
}

void MosquittoBroker::Stop()
{
    if (pid_ <= 0)
        return;
    // mosquitto loses a SIGTERM now and then that comes just after it opened
    // its port (seen once in 100 starts): it is sent again until it ends.
    int status = 0;
    for (int tries = 0; waitpid(pid_, &status, WNOHANG) == 0; ++tries) {
        if (tries % 100 == 0)
            kill(pid_, tries < 3000 ? SIGTERM : SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
}

std::string MosquittoBroker::Address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

int MosquittoBroker::Logged(std::string_view text) const
{
    std::ifstream file(folder_ / "mosquitto.log");
    const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    int found = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++found;
    return found;
}
