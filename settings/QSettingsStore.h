#pragma once

#include "settings/SettingsStore.h"

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
    std::optional<QString> ReadString(const QString &name) override;
    std::optional<QString> ReadAnyText(const QString &name) override;
    QString WriteValues(const SettingValues &values) override;
    QString FailureReason() const override { return failureReason_; }

    // Empty on Linux when the user has no home folder to hold it.
    QString FileName() const;

private:
    QSettings *Reader();
    std::optional<QVariant> Value(const QString &name);

    QString programName_;
    bool open_ = false;
    std::unique_ptr<QSettings> settings_;
    QString failureReason_;
};
