#pragma once

#include "app/SettingsStore.h"

#include <QSettings>

#include <memory>

// Settings in QSettings' native per-user place for organisation "Vendaro" and
// the program's file name: ~/.config/Vendaro/<program>.ini on Linux, the
// registry key HKCU\Software\Vendaro\<program> on Windows.
class QSettingsStore final : public SettingsStore {
public:
    explicit QSettingsStore(const QString &programName);

    bool OpenKey(bool create) override;
    void CloseKey() override;
    std::optional<std::int32_t> ReadInteger(const QString &name) override;
    bool WriteInteger(const QString &name, std::int32_t value) override;
    QString WriteIntegers(const IntegerValues &values) override;

    QString FileName() const;

private:
    QSettings *Reader();

    QString programName_;
    bool open_ = false;
    std::unique_ptr<QSettings> settings_;
};
