// The key is taken from the text as it is stored, in UTF-8, by the same
// folding the jet_text collation applies to what it compares. An ASCII text
// (the usual word) is its own UTF-8 and is folded here without converting.
#include "engine/ado/JetTextKey.h"

#include "engine/jetsql/JetSql.h"

#include <algorithm>

namespace engine {

std::string JetTextKey(const QString& text)
{
    const QStringView view(text);
    if (std::any_of(view.begin(), view.end(), [](QChar c) { return c.unicode() >= 0x80; }))
        return jetsql::TextKey(text.toUtf8());
    std::string key(std::size_t(view.size()), '\0');
    std::transform(view.begin(), view.end(), key.begin(), [](QChar c) {
        const char16_t u = c.unicode();
        return char((u >= 'A' && u <= 'Z') ? u - 'A' + 'a' : u);
    });
    return key;
}

} // namespace engine
