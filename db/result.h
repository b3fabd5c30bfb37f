#pragma once

#include <QString>
#include <utility>

// The outcome of an operation that can fail: success, or the reason it did
// not succeed, in words a user can read. The one way the core reports
// failures; a caller that ignores it gets a compiler warning.
class [[nodiscard]] Result
{
public:
    static Result Ok() { return Result(); }
    // A failure always carries its reason; an empty one is a fault of the caller.
    static Result Fail(QString reason) { return Result(std::move(reason), false); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    // Empty on success.
    const QString &error() const { return m_error; }

    // The reason behind a prefix ("保存失败：" + reason), for wrapping a lower failure.
    Result Prefixed(const QString &prefix) const { return m_ok ? *this : Fail(prefix + m_error); }

private:
    Result() = default;
    Result(QString error, bool ok) : m_ok(ok), m_error(std::move(error)) {}

    bool m_ok = true;
    QString m_error;
};
