#pragma once

#include <QString>

// Why the next re-login is asked. The clearing or restoring code sets it for
// the span of its re-login call; the login dialog shows it, so the user knows
// why a login comes back in the middle of work. Re-logins are nested nowhere
// and run on the GUI thread only.
class ReloginReason
{
public:
    explicit ReloginReason(const QString &why);
    ~ReloginReason();
    ReloginReason(const ReloginReason &) = delete;
    ReloginReason &operator=(const ReloginReason &) = delete;

    // Empty outside such a span.
    static QString Current();

private:
    QString m_previous;
};
