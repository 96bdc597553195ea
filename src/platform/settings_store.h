// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings record is kept: an interface with one INI-file back end, used at two places.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/environment.h"

namespace trakor {

struct NamedInt {
    std::string_view name;
    int32_t value;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `fallback` when it is absent or cannot be read.
    virtual int32_t readInt(std::string_view name, int32_t fallback) = 0;
    // Whether the value was stored.
    virtual bool writeInt(std::string_view name, int32_t value) = 0;
    // Whether the value is absent afterwards.
    virtual bool deleteValue(std::string_view name) = 0;
    // Stores several values in the given order; whether all were stored. By default one write each.
    virtual bool writeInts(std::span<const NamedInt> values);
    // Reads several values at once; each value holds its fallback on entry. By default one read each.
    virtual void readInts(std::span<NamedInt> values);
    // A text value (a file's path), or empty when absent. A store without texts keeps none.
    virtual std::string readText(std::string_view name);
    // Stores a text as it stands; an empty text removes the value. Whether it was stored.
    virtual bool writeText(std::string_view name, const std::string& value);
};

// Settings as "name=value" lines in one section of an INI file. Each call reads the file afresh,
// so another running copy's changes are seen; each write replaces the file atomically.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::string path, std::string section = "Info");
    int32_t readInt(std::string_view name, int32_t fallback) override;
    bool writeInt(std::string_view name, int32_t value) override;
    bool deleteValue(std::string_view name) override;
    bool writeInts(std::span<const NamedInt> values) override;
    // One reading of the file for all of them.
    void readInts(std::span<NamedInt> values) override;
    // Texts are kept in double quotes, so blanks at either end stay; a text with a line break
    // cannot be kept on its line and is refused.
    std::string readText(std::string_view name) override;
    bool writeText(std::string_view name, const std::string& value) override;

    const std::string& path() const { return path_; }
    // Reason of the last failed write, for the log.
    const std::string& lastError() const { return lastError_; }

private:
    std::string path_;
    std::string section_;
    std::string lastError_;
};

// The native back end's file: $XDG_CONFIG_HOME/Quenby Software/<appName>.conf.
std::string nativeSettingsPath(const Environment& env, std::string_view appName);

// Value names of earlier versions, removed from the native store at every start.
std::span<const std::string_view> obsoleteValueNames();

}  // namespace trakor
