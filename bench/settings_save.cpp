// Prints how long the exit's save of the seven settings takes when the
// settings file has grown to about 10 MB with other groups and keys: open
// the key for writing, store the values, close the key. One figure per
// line: "name = value unit". The file lives in a temporary config folder.
// Its yardstick, in turns with the saves: a plain rewrite of a file of the
// same size beside it, written, synced and closed.
#include "settings/QSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSaves = 15;
constexpr qsizetype kFileBytes = 10'000'000;

bool MakeLargeFile(const QString &path)
{
    QByteArray text = "[General]\nPort=2\n";
    for (int group = 0; text.size() < kFileBytes; ++group) {
        text += "\n[Tool" + QByteArray::number(group) + "]\n";
        for (int key = 0; key < 1000; ++key)
            text += "entry" + QByteArray::number(key) + '=' + QByteArray(40, 'v') + '\n';
    }
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
           && file.write(text) == text.size();
}

// Rewrites the file at path in place with content, synced to the disk.
bool PlainRewrite(const QByteArray &path, const QByteArray &content)
{
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = write(fd, content.constData(), content.size()) == content.size() && fsync(fd) == 0;
    return close(fd) == 0 && written;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);

    QSettingsStore store(QStringLiteral("bench"));
    if (!config.isValid() || !MakeLargeFile(store.FileName())) {
        std::fprintf(stderr, "cannot make the settings file\n");
        return 1;
    }
    // Start-up reads the settings as the program does; not measured.
    store.OpenKey(false);
    store.ReadInteger(QStringLiteral("Port"));
    store.CloseKey();

    QFile stored(store.FileName());
    if (!stored.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the settings file\n");
        return 1;
    }
    const QByteArray sameSize(stored.size(), 'x');
    const QByteArray plainFile = QFile::encodeName(config.filePath(QStringLiteral("plain.ini")));

    std::vector<double> seconds, plain;
    for (int save = 0; save < kSaves; ++save) {
        const auto rewrite = std::chrono::steady_clock::now();
        if (!PlainRewrite(plainFile, sameSize)) {
            std::fprintf(stderr, "the plain rewrite failed\n");
            return 1;
        }
        plain.push_back(SecondsSince(rewrite));
        const SettingValues values = {{"Port", 3}, {"MaxCounter", 120 + save}, {"ContaktIn", 1}, {"ContaktOut", 0},
                                      {"X", 730}, {"Y", 440}, {"Monitor", 1}};
        const auto start = std::chrono::steady_clock::now();
        const bool stored = store.OpenKey(true) && store.WriteValues(values).isEmpty();
        store.CloseKey();
        seconds.push_back(SecondsSince(start));
        if (!stored) {
            std::fprintf(stderr, "the settings were not stored\n");
            return 1;
        }
    }
    std::printf("settings_file_size = %.1f MB\n", QFileInfo(store.FileName()).size() / 1e6);
    std::printf("exit_save_median = %.4f s\n", Median(seconds));
    std::printf("exit_save_max = %.4f s\n", *std::max_element(seconds.begin(), seconds.end()));
    std::printf("plain_rewrite_median = %.4f s (the yardstick)\n", Median(plain));
    std::printf("exit_save_ratio = %.2f (median against the plain rewrite, %d saves in turns)\n",
                Median(seconds) / Median(plain), kSaves);
    return 0;
}
