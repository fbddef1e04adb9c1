// Prints how long the exit's save of the seven settings takes when the
// settings file has grown to about 10 MB with other groups and keys: open
// the key for writing, store the values, close the key. One figure per
// line: "name = value unit". The file lives in a temporary config folder.
#include "settings/QSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSaves = 10;
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

    std::vector<double> seconds;
    for (int save = 0; save < kSaves; ++save) {
        const SettingValues values = {{"Port", 3}, {"MaxCounter", 120 + save}, {"ContaktIn", 1}, {"ContaktOut", 0},
                                      {"X", 730}, {"Y", 440}, {"Monitor", 1}};
        const auto start = std::chrono::steady_clock::now();
        const bool stored = store.OpenKey(true) && store.WriteValues(values).isEmpty();
        store.CloseKey();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!stored) {
            std::fprintf(stderr, "the settings were not stored\n");
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("settings_file_size = %.1f MB\n", QFileInfo(store.FileName()).size() / 1e6);
    std::printf("exit_save_median = %.4f s\n", seconds[seconds.size() / 2]);
    std::printf("exit_save_max = %.4f s\n", seconds.back());
    return 0;
}
