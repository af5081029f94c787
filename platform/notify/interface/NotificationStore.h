// The device's notification store, ROOT/.device/notifications (see StoreText.h): shared by
// every process of the device through the device lock, replaced atomically on each change.
//
// A damaged store (lines the device cannot read) is never silently dropped: the file is
// copied aside as notifications.damaged (or .damaged-2, ...) for a person to look at, the
// readable notifications are written back as the store, and the damage is reported.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "StoreText.h"

namespace cedev::notify {

std::filesystem::path StorePath();

// The store as it is now. Cheap when it has not changed since the last read in this process.
// Throws DeviceError when the file cannot be read, or a damaged one cannot be set aside.
std::shared_ptr<const StoreContent> ReadStore();

// Runs `change` on the store under the device lock and writes the result back when it returns
// true. Throws DeviceError (the store then stays as it was).
void UpdateStore(const std::function<bool(StoreContent&)>& change);

// The record with that handle in a content, or null.
const NotificationRecord* FindRecord(const StoreContent& content, DWORD handle);

// Where damage reports go; by default standard error. Returns the previous reporter.
using DamageReporter = std::function<void(const std::string& message)>;
DamageReporter SetDamageReporter(DamageReporter reporter);

// The report of the last damage this process found, if any.
std::optional<std::string> LastDamage();

}  // namespace cedev::notify
