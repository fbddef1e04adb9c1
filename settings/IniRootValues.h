#pragma once

#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Named INI entries: each name with its line "Name=text".
using IniEntries = QList<std::pair<QString, QByteArray>>;

// Each value's entry, its text the one QSettings writes for it, in order;
// empty, with the reason, when a text could not be made.
std::optional<IniEntries> IniEntriesOf(const SettingValues &values, QString &reason);

// The INI text with each named entry set in QSettings' root group and
// everything else kept byte for byte. Every entry that QSettings reads as
// the name takes the new one in its place, a comment after it kept, so that
// no stale copy wins; names not there yet open the first [General] section,
// which a file without one gets at the top.
QByteArray WithRootEntries(QByteArrayView ini, const IniEntries &entries);
// The same text handed to put piece by piece, in order: the unchanged parts
// as views into ini, so that a large file is never copied in memory.
void PutWithRootEntries(QByteArrayView ini, const IniEntries &entries, const std::function<void(QByteArrayView)> &put);
