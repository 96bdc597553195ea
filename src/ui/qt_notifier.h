// SPDX-License-Identifier: GPL-3.0-or-later
// Messages of the engine and the dialogs as Qt message boxes with the program's captions.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "core/messages.h"

namespace trakor {

// The stop icon, for the few errors that are no warning.
inline constexpr MsgStyle kStopStyle = static_cast<MsgStyle>(16);

class QtNotifier : public Notifier {
public:
    explicit QtNotifier(std::string appName) : appName_(std::move(appName)) {}
    // The window that owns the message boxes (may be null).
    void setOwner(QWidget* owner) { owner_ = owner; }
    Answer notify(const std::string& key, const std::string& text, MsgStyle style) override;

private:
    std::string appName_;
    QPointer<QWidget> owner_;
};

}  // namespace trakor
