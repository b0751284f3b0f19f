// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <exception>

namespace quorvane {

// A run-time error carried as a number and a text, the way callers of the fetcher and the
// timers expect to see them.
class AppError final : public std::exception {
public:
    AppError(qint32 number, QString description) : m_number(number), m_description(std::move(description)) {}

    qint32 number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return "quorvane::AppError"; }

    static constexpr qint32 kNoTimer = static_cast<qint32>(0x80047925u);  // object error + 31013
    static constexpr qint32 kTypeMismatch = 13;
    static constexpr qint32 kOverflow = 6;
    static constexpr qint32 kIndexOutOfBounds = 35600;
    static constexpr qint32 kBadAddress = static_cast<qint32>(0x800C0005u);  // the address cannot be used

private:
    qint32 m_number;
    QString m_description;
};

// Runs one statement and swallows an AppError, so that a sequence of steps goes on with the next.
template <typename F>
void resumeNext(F&& step) {
    try {
        step();
    } catch (const AppError&) {
    }
}

}  // namespace quorvane
