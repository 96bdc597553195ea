// SPDX-License-Identifier: GPL-3.0-or-later
// The process environment as a value, so decisions that read it can be driven by tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace trakor {

struct Environment {
    std::map<std::string, std::string, std::less<>> vars;

    // The variable's value; an unset variable gives nullopt.
    std::optional<std::string> get(std::string_view name) const;
    // The variable's value when set and not empty.
    std::optional<std::string> nonEmpty(std::string_view name) const;

    // A snapshot of this process's environment.
    static Environment fromProcess();
};

// Base folders of the XDG layout: the variable when it holds an absolute path, else below $HOME.
std::string xdgConfigHome(const Environment& env);  // ~/.config
std::string xdgDataHome(const Environment& env);    // ~/.local/share

// The running program's own file; empty when the system does not tell.
std::string ownProgramFile();

}  // namespace trakor
