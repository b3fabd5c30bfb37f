#include "db/pinyininitials.h"

#include <QHash>
#include <QMutex>
#include <memory>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace PinyinInitials {
namespace {

// Loading the rules takes a noticeable moment: once per process, and only
// when a Han character first needs its reading.
icu::Transliterator *HanLatin()
{
    static const std::unique_ptr<icu::Transliterator> instance([] {
        UErrorCode status = U_ZERO_ERROR;
        icu::Transliterator *t = icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8("Han-Latin; Latin-ASCII"), UTRANS_FORWARD, status);
        if (U_FAILURE(status)) {
            delete t;
            return static_cast<icu::Transliterator *>(nullptr);
        }
        return t;
    }());
    return instance.get();
}

// The first letter of one Han character's reading, or 0 when ICU has none.
QChar InitialOfHan(char32_t codePoint)
{
    static QMutex lock;
    static QHash<char32_t, QChar> known; // a shop's lists use a few thousand characters at most
    QMutexLocker locked(&lock);
    const auto found = known.constFind(codePoint);
    if (found != known.constEnd())
        return *found;
    QChar initial;
    if (icu::Transliterator *t = HanLatin()) {
        icu::UnicodeString text(static_cast<UChar32>(codePoint));
        t->transliterate(text);
        if (text.length() > 0 && text.charAt(0) < 0x80 && QChar(text.charAt(0)).isLetter())
            initial = QChar(text.charAt(0)).toLower();
    }
    known.insert(codePoint, initial);
    return initial;
}

} // namespace

QString Of(const QString &text)
{
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::script(c) == QChar::Script_Han) {
            const QChar initial = InitialOfHan(c);
            if (!initial.isNull())
                out += initial;
        } else if (c < 0x10000 && QChar(static_cast<char16_t>(c)).isLetterOrNumber()) {
            out += QChar(static_cast<char16_t>(c)).toLower();
        }
    }
    return out;
}

bool Matches(const QString &text, const QString &typed)
{
    if (typed.isEmpty())
        return false;
    for (const QChar c : typed) {
        if (c.unicode() >= 0x80 || !c.isLetter())
            return false;
    }
    return Of(text).contains(typed.toLower());
}

} // namespace PinyinInitials
